// Measures a full redraw of the Qt trace window at 1920 x 1080, offscreen, against the 16 ms of a
// frame at 60 Hz: the whole window repainted, the canvas alone painted into an image, and a page
// turn (reading, composing and repainting), as recorded and again through the bipolar montage
// with a high-pass of 0.5 Hz, a low-pass of 70 Hz and the 50 Hz notch, chosen in the window's
// boxes. Built with the tests, not run by them.
//
// Usage: velbrix_trace_redraw_bench [--repeat N] [--save PNG]   (PNG: the window as measured)
#include <QApplication>
#include <QComboBox>
#include <QImage>
#include <QKeyEvent>
#include <QPainter>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "bench/bench_support.h"
#include "window/qt/trace_canvas.h"
#include "window/qt/trace_window.h"

namespace fs = std::filesystem;

namespace {

double MedianMs(int repeat, const std::function<void()>& work) {
  std::vector<double> times;
  for (int i = 0; i < repeat; ++i) {
    times.push_back(velbrix::bench::Seconds(work) * 1e3);
  }
  return velbrix::bench::Median(times);
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
  }
  QApplication app(argc, argv);
  int repeat = 50;
  QString save;
  for (int i = 1; i + 1 < argc; i += 2) {
    if (std::string(argv[i]) == "--repeat") {
      repeat = std::stoi(argv[i + 1]);
    } else if (std::string(argv[i]) == "--save") {
      save = QString::fromLocal8Bit(argv[i + 1]);
    }
  }
  const fs::path recording =
      fs::temp_directory_path() / ("velbrix-redraw-bench-" + std::to_string(::getpid()) + "_eeg");
  velbrix::bench::WriteRecording(recording, 256 * 1200 * 32);  // 20 minutes at 256 Hz

  velbrix::TraceWindow window;
  window.resize(1920, 1080);
  window.show();
  window.ShowSubject({recording, recording.filename(), "EKG"}, true);
  QApplication::processEvents();
  const QSize canvas = window.canvas()->size();
  std::printf("Qt trace window %dx%d (canvas %dx%d), platform %s, a page of 10 s at 256 Hz\n\n",
              window.width(), window.height(), canvas.width(), canvas.height(),
              qPrintable(QGuiApplication::platformName()));

  // The whole window, every widget in it, rendered as the screen would be repainted.
  QImage screen(window.size(), QImage::Format_RGB32);
  const double full = MedianMs(repeat, [&] { window.render(&screen); });
  std::printf("%-44s %7.2f ms   floor 16 ms\n", "full redraw of the window", full);

  QImage image(canvas, QImage::Format_RGB32);
  const double paint = MedianMs(repeat, [&] {
    QPainter painter(&image);
    window.canvas()->Paint(painter, window.controller().picture());
  });
  std::printf("%-44s %7.2f ms\n", "the canvas painted into an image", paint);

  const double turn = MedianMs(repeat, [&] {
    QKeyEvent key(QEvent::KeyPress, Qt::Key_PageDown, Qt::NoModifier);
    QApplication::sendEvent(window.canvas(), &key);
    window.render(&screen);
  });
  std::printf("%-44s %7.2f ms   floor 16 ms\n", "page turn: read, compose and redraw", turn);

  // The reading tools, chosen in their boxes as the user does.
  for (const auto& [name, entry] :
       {std::pair{"HighPass", "0.5 Hz"}, std::pair{"LowPass", "70 Hz"}, std::pair{"Notch", "50 Hz"},
        std::pair{"Montage", "Bipolar longitudinal"}}) {
    auto* box = window.findChild<QComboBox*>(QString::fromUtf8(name));
    const int index = box->findText(QString::fromUtf8(entry));
    box->setCurrentIndex(index);
    emit box->activated(index);
  }
  QApplication::processEvents();
  const double filtered_full = MedianMs(repeat, [&] { window.render(&screen); });
  std::printf("%-44s %7.2f ms   floor 16 ms\n", "full redraw, bipolar, 0.5-70 Hz, notch 50 Hz",
              filtered_full);
  const double filtered_turn = MedianMs(repeat, [&] {
    QKeyEvent key(QEvent::KeyPress, Qt::Key_PageDown, Qt::NoModifier);
    QApplication::sendEvent(window.canvas(), &key);
    window.render(&screen);
  });
  std::printf("%-44s %7.2f ms   floor 16 ms\n", "page turn as above: read, filter, redraw",
              filtered_turn);

  if (!save.isEmpty() && !screen.save(save)) {
    std::fprintf(stderr, "cannot save %s\n", qPrintable(save));
  }
  window.close();
  fs::remove(recording);
  return 0;
}
