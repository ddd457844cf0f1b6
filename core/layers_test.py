#!/usr/bin/env python3
"""Holds the includes of core/ to the arrows between its libraries (cmake/VelbrixLayers.cmake).

Each folder of core/ is a library; a source of one may include the headers of its own folder and of
the folders its library may use, and no others. The link graph enforces the arrows for what is
linked; this test enforces them for headers too, which a library can include without linking.
Usage: layers_test.py REPOSITORY_ROOT. Exits 1, naming every include that breaks an arrow."""
import pathlib
import re
import sys

INCLUDE = re.compile(r'^\s*#\s*include\s+"core/([a-z_]+)/[^"]+"', re.M)


def arrows(cmake_text):
    """The folders each layer may use, from the set(VELBRIX_LAYER_<layer>_MAY ...) lines."""
    may = {}
    for layer, used in re.findall(r'set\(VELBRIX_LAYER_([a-z]+)_MAY([^)]*)\)', cmake_text):
        may[layer] = set(used.replace('""', '').split())
    return may


def violations(may, sources):
    """The (file, included folder) pairs of `sources` ({path: text}) that break an arrow."""
    found = []
    for path, text in sorted(sources.items()):
        parts = pathlib.PurePosixPath(path).parts
        if len(parts) < 3 or parts[0] != 'core' or parts[1] not in may:
            continue  # test support and the build files use anything
        if re.search(r'_test\.cpp$|probe\.cpp$', path):
            continue  # tests and probes link what they exercise
        for other in INCLUDE.findall(text):
            if other != parts[1] and other not in may[parts[1]]:
                found.append((path, other))
    return found


def main():
    root = pathlib.Path(sys.argv[1])
    may = arrows((root / 'cmake' / 'VelbrixLayers.cmake').read_text(encoding='utf-8'))
    if set(may) != {'base', 'os', 'commit', 'convert', 'formats', 'signal', 'trace', 'events'}:
        print('cmake/VelbrixLayers.cmake names the layers', sorted(may))
        return 1
    # The checker itself: a montage that includes a BIDS header, and a base header that includes
    # the file seam, are caught; a trace source that includes a filter is not.
    planted = {
        'core/signal/montage.cpp': '#include "core/formats/bids_layout.h"\n',
        'core/base/status.h': '#include "core/os/os_file.h"\n',
        'core/trace/filtered_page.cpp': '#include "core/signal/zero_phase_filter.h"\n',
    }
    if violations(may, planted) != [('core/base/status.h', 'os'),
                                    ('core/signal/montage.cpp', 'formats')]:
        print('the check does not catch planted includes:', violations(may, planted))
        return 1
    sources = {
        path.relative_to(root).as_posix(): path.read_text(encoding='utf-8')
        for path in (root / 'core').rglob('*') if path.suffix in ('.h', '.cpp')
    }
    broken = violations(may, sources)
    for path, other in broken:
        print(f'{path} includes a header of core/{other}, which it may not use')
    print(f'{len(sources)} files of core/ checked, {len(broken)} includes break an arrow')
    return 1 if broken else 0


if __name__ == '__main__':
    sys.exit(main())
