// Records to EDF signal runs. On x86, 16 records at a time are turned into one 16-byte row per
// channel with byte shuffles (a 16 x 16 transpose for each half of the record), and each chosen
// row is widened into its 16 digital values at once; the records left over, and other machines,
// go sample by sample through a table.
#include "core/formats/edf_samples.h"

#include <cstring>

#include "core/base/record.h"
#include "core/base/run_support.h"
#include "core/formats/edf_header.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace velbrix {
namespace {

constexpr SampleBytesTable kSampleBytes = LittleEndianSampleBytes(EdfDigitalValue);

void PutSamplesOneByOne(const std::uint8_t* records, std::size_t count,
                        std::span<const int> positions, char* out, std::size_t stride) {
  for (std::size_t s = 0; s < positions.size(); ++s) {
    const std::uint8_t* in = records + (positions[s] - 1);
    char* to = out + s * stride;
    for (std::size_t j = 0; j < count; ++j, to += 2) {
      std::memcpy(to, kSampleBytes[in[j * kRecordSize]].data(), 2);
    }
  }
}

#if defined(__SSE2__)
constexpr std::size_t kTileRecords = 16;

// Transposes the 16 x 16 bytes in rows[] in place: four rounds, each interleaving row k with row
// k + 8 into rows 2k and 2k + 1, move each byte from (row, column) to (column, row).
void Transpose16(__m128i rows[16]) {
  for (int round = 0; round < 4; ++round) {
    __m128i next[16];
    for (int k = 0; k < 8; ++k) {
      next[2 * k] = _mm_unpacklo_epi8(rows[k], rows[k + 8]);
      next[2 * k + 1] = _mm_unpackhi_epi8(rows[k], rows[k + 8]);
    }
    std::memcpy(rows, next, sizeof(next));
  }
}

void PutTiles(const std::uint8_t* records, std::size_t tiles, std::span<const int> positions,
              char* out, std::size_t stride) {
  const __m128i zero = _mm_setzero_si128();
  const __m128i zero_sample = _mm_set1_epi16(static_cast<short>(kZeroSample));
  __m128i channels[kChannelCount];  // channel c's 16 samples in channels[c]
  for (std::size_t t = 0; t < tiles; ++t, records += kTileRecords * kRecordSize) {
    for (int half = 0; half < 2; ++half) {
      __m128i* rows = &channels[16 * half];
      for (std::size_t r = 0; r < kTileRecords; ++r) {
        rows[r] = _mm_loadu_si128(
            reinterpret_cast<const __m128i*>(records + r * kRecordSize + 16 * half));
      }
      Transpose16(rows);
    }
    for (std::size_t s = 0; s < positions.size(); ++s) {
      const __m128i samples = channels[positions[s] - 1];
      char* const to = out + s * stride + t * kTileRecords * 2;
      _mm_storeu_si128(reinterpret_cast<__m128i*>(to),
                       _mm_sub_epi16(_mm_unpacklo_epi8(samples, zero), zero_sample));
      _mm_storeu_si128(reinterpret_cast<__m128i*>(to + 16),
                       _mm_sub_epi16(_mm_unpackhi_epi8(samples, zero), zero_sample));
    }
  }
}
#endif

}  // namespace

void PutEdfSamples(const std::uint8_t* records, std::size_t count, std::span<const int> positions,
                   char* out, std::size_t stride) {
  std::size_t done = 0;
#if defined(__SSE2__)
  const std::size_t tiles = count / kTileRecords;
  PutTiles(records, tiles, positions, out, stride);
  done = tiles * kTileRecords;
#endif
  PutSamplesOneByOne(records + done * kRecordSize, count - done, positions, out + 2 * done, stride);
}

}  // namespace velbrix
