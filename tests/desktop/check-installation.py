#!/usr/bin/env python3
"""Checks of the installed application, one per command:

  install BUILD PREFIX ID       cmake --install into a fresh PREFIX; every file lands there under the one ID, and
                                the installed programs run
  entry PREFIX ID               desktop-file-validate accepts the desktop entry
  metainfo PREFIX ID            appstreamcli accepts the metainfo, without the network
  icon PREFIX ID OUTPUT         the icon renders at 16 and 256 pixels into OUTPUT/icon-16.png and icon-256.png
"""

import os
import shutil
import struct
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ElementTree
import zlib

failures = []


def check(condition, message):
    if not condition:
        failures.append(message)


def finish():
    for failure in failures:
        print('FAIL: ' + failure)
    sys.exit(1 if failures else 0)


def paths(prefix, app_id):
    share = os.path.join(prefix, 'share')
    return {
        'entry': os.path.join(share, 'applications', app_id + '.desktop'),
        'metainfo': os.path.join(share, 'metainfo', app_id + '.metainfo.xml'),
        'icon': os.path.join(share, 'icons', 'hicolor', 'scalable', 'apps', app_id + '.svg'),
        'app': os.path.join(prefix, 'bin', 'tallowin'),
        'cli': os.path.join(prefix, 'bin', 'tallowin-cli'),
    }


def desktop_entry(path):
    values = {}
    with open(path, encoding='utf-8') as entry:
        for line in entry:
            if '=' in line and not line.startswith('#'):
                key, value = line.rstrip('\n').split('=', 1)
                values[key] = value
    return values


def install(build, prefix, app_id):
    shutil.rmtree(prefix, ignore_errors=True)
    result = subprocess.run(['cmake', '--install', build, '--prefix', prefix], capture_output=True, text=True)
    check(result.returncode == 0, 'cmake --install failed: ' + result.stdout + result.stderr)
    files = paths(prefix, app_id)
    for name, path in files.items():
        check(os.path.isfile(path), name + ' is not installed at ' + path)
    for program in ('app', 'cli'):
        check(os.access(files[program], os.X_OK), files[program] + ' is not executable')
    cores = [os.path.join(folder, name) for folder, _, names in os.walk(prefix) for name in names
             if name.startswith('libTallowinCore.so') and not os.path.islink(os.path.join(folder, name))]
    check(len(cores) == 1 and os.path.basename(os.path.dirname(cores[0])) == 'tallowin',
          'the core library is not installed once in a folder of its own: ' + repr(cores))
    if failures:
        finish()

    entry = desktop_entry(files['entry'])
    check(entry.get('Icon') == app_id, 'the desktop entry names the icon ' + repr(entry.get('Icon')))
    check(entry.get('Exec') == files['app'], 'the desktop entry starts ' + repr(entry.get('Exec')))
    check(entry.get('Name') == 'Tallowin', 'the desktop entry is called ' + repr(entry.get('Name')))

    component = ElementTree.parse(files['metainfo']).getroot()
    check(component.findtext('id') == app_id, 'the metainfo ID is ' + repr(component.findtext('id')))
    launchable = component.find("launchable[@type='desktop-id']")
    check(launchable is not None and launchable.text == app_id + '.desktop', 'the metainfo launches another entry')
    check(component.findtext('project_license') == 'GPL-3.0-or-later', 'the metainfo names another licence')
    source = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
    with open(os.path.join(source, 'LICENSE'), encoding='utf-8') as licence:
        text = licence.read()
    check('GNU GENERAL PUBLIC LICENSE' in text and 'Version 3' in text, 'the repository licence is not GPL 3')
    check(ElementTree.parse(files['icon']).getroot().tag.endswith('svg'), 'the icon is not an SVG')

    # The application's windows carry the ID as the desktop file name, so the launcher finds them by it.
    with open(files['app'], 'rb') as program:
        binary = program.read()
    # Qt keeps string literals as UTF-16.
    check(app_id.encode('utf-16-le') in binary or app_id.encode() in binary,
          'the installed application does not carry its ID')

    version = subprocess.run([files['cli'], '--version'], capture_output=True, text=True)
    check(version.returncode == 0 and version.stdout.strip() != '', 'the installed tallowin-cli does not run: '
          + version.stderr)
    with tempfile.TemporaryDirectory() as folder:
        environment = dict(os.environ, QT_QPA_PLATFORM='offscreen',
                           TALLOWIN_FILE_PATH=os.path.join(folder, 'Tallowin.md'), HOME=folder,
                           XDG_CONFIG_HOME=os.path.join(folder, 'config'))
        started = subprocess.run([files['app'], '--load-and-quit'], capture_output=True, text=True, env=environment,
                                 timeout=120)
        check(started.returncode == 0 and started.stdout.endswith(', 0 cards\n'),
              'the installed tallowin does not start: ' + started.stdout + started.stderr)
    finish()


def validate(command, path):
    result = subprocess.run(command + [path], capture_output=True, text=True)
    print(result.stdout + result.stderr)
    check(result.returncode == 0, ' '.join(command) + ' refused ' + path)
    finish()


def png_size_and_colours(path):
    with open(path, 'rb') as image:
        data = image.read()
    check(data[:8] == b'\x89PNG\r\n\x1a\n', path + ' is not a PNG')
    width, height, depth, colour = struct.unpack('>IIBB', data[16:26])
    chunks, position = b'', 8
    while position < len(data):
        length, kind = struct.unpack('>I4s', data[position:position + 8])
        if kind == b'IDAT':
            chunks += data[position + 8:position + 8 + length]
        position += 12 + length
    # Counting distinct byte values of the filtered rows is enough to tell a drawing from an empty picture.
    return width, height, len(set(zlib.decompress(chunks)))


def render(prefix, app_id, output):
    os.makedirs(output, exist_ok=True)
    icon = paths(prefix, app_id)['icon']
    for size in (16, 256):
        target = os.path.join(output, 'icon-%d.png' % size)
        result = subprocess.run(['rsvg-convert', '-w', str(size), '-h', str(size), '-o', target, icon],
                                capture_output=True, text=True)
        check(result.returncode == 0, 'rsvg-convert failed at %d px: %s' % (size, result.stderr))
        if result.returncode == 0:
            width, height, values = png_size_and_colours(target)
            check((width, height) == (size, size), '%s is %dx%d' % (target, width, height))
            check(values > 8, target + ' is nearly empty')
            print('rendered ' + target)
    finish()


def main(arguments):
    command = arguments[0]
    if command == 'install':
        install(*arguments[1:4])
    elif command == 'entry':
        validate(['desktop-file-validate'], paths(arguments[1], arguments[2])['entry'])
    elif command == 'metainfo':
        validate(['appstreamcli', 'validate', '--no-net'], paths(arguments[1], arguments[2])['metainfo'])
    elif command == 'icon':
        render(*arguments[1:4])
    else:
        sys.exit('unknown command ' + command)


if __name__ == '__main__':
    main(sys.argv[1:])
