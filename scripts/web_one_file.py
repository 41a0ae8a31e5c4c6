#!/usr/bin/env python3
"""Packs the built page (build-web/page/) into one HTML file that works opened from the disk.

A browser runs no module file and no worker file from file://, but it runs a page's inline
scripts, and starts a module worker or an AudioWorklet from a data: URL (Chromium starts a
classic worker from a blob: URL there, but neither a module worker nor a worklet). So the page's
modules become one inline module, and whatever a module names with
new URL('name', import.meta.url) becomes a data: URL, made once per bundle: a script (the
worker, the worklet) of its own bundle, any other file (the WebAssembly) of its bytes. The
stylesheet and the classic start-up check are inlined too, and
the content security policy allows exactly those inline parts by their hashes and nothing else.

The bundler knows only the module forms this page uses (named, namespace and default imports;
exported functions, classes and constants, and `export default name`); any other form stops the
build with the line that has it, rather than giving a page that fails in the browser. An import
becomes a copy of the exported value, so an exported `let` (a live binding that the importer
would see change) is one of those other forms.
"""
import base64
import hashlib
import json
import re
import sys
from pathlib import Path

IMPORT = re.compile(r"^import\s+(?:(?P<clause>[^'\";]+?)\s+from\s+)?"
                    r"(?P<q>['\"])(?P<path>[^'\"]+)(?P=q);?", re.MULTILINE | re.DOTALL)
EXPORT_DECLARATION = re.compile(
    r"^export\s+(?=(?:async\s+)?function\*?\s+(?P<function>[\w$]+)"
    r"|(?:const|class)\s+(?P<binding>[\w$]+))",
    re.MULTILINE)
EXPORT_DEFAULT = re.compile(r"^export\s+default\s+(?P<name>[\w$]+)\s*;?[ \t]*$", re.MULTILINE)
LEFT_OVER = re.compile(r"^\s*(?:export\b|import\s*[{*'\"]|import\s+[\w$])", re.MULTILINE)
ASSET_URL = re.compile(r"new\s+URL\(\s*(?P<q>['\"])(?P<name>[^'\"]+)(?P=q)"
                       r"\s*,\s*import\.meta\.url\s*\)")

TYPES = {'.wasm': 'application/wasm', '.js': 'text/javascript'}


def fail(message):
    sys.exit(f'web_one_file: {message}')


def js_string(text):
    # A JavaScript string literal that is also safe inside an HTML <script> element.
    return json.dumps(text).replace('<', '\\u003c')


def data_url(data, media_type):
    return f'data:{media_type};base64,{base64.b64encode(data).decode("ascii")}'


def import_binding(clause, module):
    """The declarations that stand for one import clause."""
    clause = clause.strip()
    lines = []
    default, _, rest = clause.partition(',') if not clause.startswith('{') else ('', '', clause)
    default, rest = default.strip(), rest.strip()
    if default.startswith('*'):
        default, rest = '', default
    if default:
        lines.append(f'const {default} = {module}.default;')
    if rest.startswith('* as '):
        lines.append(f'const {rest[5:].strip()} = {module};')
    elif rest.startswith('{') and rest.endswith('}'):
        names = [part.strip() for part in rest[1:-1].split(',') if part.strip()]
        pairs = [name.replace(' as ', ': ') for name in names]
        lines.append(f'const {{ {", ".join(pairs)} }} = {module};')
    elif rest:
        fail(f'an import this bundler does not know: import {clause}')
    return '\n'.join(lines)


class Bundle:
    """Modules from one entry, each wrapped in a function that returns its exports, in the order
    they run: every module after those it imports."""

    def __init__(self):
        self.names = {}     # module path -> the constant that holds its exports
        self.parts = []     # the wrapped modules in the order they run
        self.open = set()   # modules being read, to find cycles
        self.assets = {}    # inlined file path -> the constant that holds its URL
        self.asset_lines = []  # the declarations of those constants

    def add(self, path):
        path = path.resolve()
        if path in self.names:
            return self.names[path]
        if path in self.open:
            fail(f'{path.name} imports itself through its imports; the bundle cannot order it')
        if not path.is_file():
            fail(f'{path.name} is imported but the page does not have it')
        self.open.add(path)
        body = path.read_text(encoding='utf-8')
        body = IMPORT.sub(lambda match: self.import_lines(path, match), body)
        exports = [match['function'] or match['binding']
                   for match in EXPORT_DECLARATION.finditer(body)]
        body = EXPORT_DECLARATION.sub('', body)
        defaults = [match['name'] for match in EXPORT_DEFAULT.finditer(body)]
        body = EXPORT_DEFAULT.sub('', body)
        left = LEFT_OVER.search(body)
        if left:
            line = body[left.start():].strip().splitlines()[0]
            fail(f'{path.name}: a module form this bundler does not know: {line}')
        body = ASSET_URL.sub(lambda match: self.asset(path, match), body)
        members = exports + [f'default: {name}' for name in defaults[:1]]
        name = f'__module{len(self.names)}'
        self.parts.append(f'// {path.name}\nconst {name} = (() => {{\n{body}\n'
                          f'return {{ {", ".join(members)} }};\n}})();')
        self.open.discard(path)
        self.names[path] = name
        return name

    def import_lines(self, path, match):
        module = self.add(path.parent / match['path'])
        return import_binding(match['clause'], module) if match['clause'] else ''

    def asset(self, path, match):
        """The name of a constant that holds the URL of the file named, inlined once per bundle
        (the WebAssembly is named by the worker and by Emscripten's loader)."""
        target = (path.parent / match['name']).resolve()
        if not target.is_file():
            fail(f'{path.name} names {match["name"]}, which the page does not have')
        if target not in self.assets:
            self.assets[target] = f'__asset{len(self.assets)}'
            self.asset_lines.append(f'const {self.assets[target]} = '
                                    f'{self.asset_url(target)};')
        return f'new URL({self.assets[target]})'

    def asset_url(self, target):
        if target.suffix == '.js':
            data = bundle(target).encode('utf-8')
        else:
            data = target.read_bytes()
        return js_string(data_url(data, TYPES.get(target.suffix, 'application/octet-stream')))

    def text(self):
        return '\n'.join(self.asset_lines + self.parts)


def bundle(entry):
    whole = Bundle()
    whole.add(entry)
    return whole.text()


def csp_hash(text):
    digest = hashlib.sha256(text.encode('utf-8')).digest()
    return f"'sha256-{base64.b64encode(digest).decode('ascii')}'"


def inline_part(html, pattern, make, what):
    match = re.search(pattern, html, re.DOTALL)
    if not match:
        fail(f'index.html has no {what}')
    return html[:match.start()] + make(match) + html[match.end():]


def check_inline(text, name):
    # Inside <script> or <style>, only these could end the element early or confuse the parser.
    if re.search(r'</(script|style)|<!--', text, re.IGNORECASE):
        fail(f'{name} holds text that would end its element inside the page')
    return text


def one_file(folder):
    html = (folder / 'index.html').read_text(encoding='utf-8')
    style = check_inline((folder / 'style.css').read_text(encoding='utf-8'), 'style.css')
    check = check_inline((folder / 'startup-check.js').read_text(encoding='utf-8'),
                         'startup-check.js')
    main = check_inline(bundle(folder / 'main.js'), 'the bundled modules')
    # The notice that the page's folder must be served is for the page as files only.
    html = inline_part(html, r'\s*<p id="not-started-file"[^>]*>.*?</p>', lambda m: '',
                       'notice for a page opened as a file')
    html = inline_part(html, r'<link rel="stylesheet" href="style\.css">',
                       lambda m: f'<style>{style}</style>', 'stylesheet link')
    html = inline_part(html, r'<script src="startup-check\.js" defer></script>',
                       lambda m: f'<script>{check}</script>', 'start-up check')
    html = inline_part(html, r'<script type="module" src="main\.js"></script>',
                       lambda m: f'<script type="module">{main}</script>', 'main module')
    # The worker, the worklet's script and the WebAssembly come from data: URLs (the worker
    # fetches its module's binary, so connect-src allows data: alone).
    policy = (f"default-src 'none'; script-src {csp_hash(check)} {csp_hash(main)} "
              f"'wasm-unsafe-eval' data:; style-src {csp_hash(style)}; worker-src data:; "
              "connect-src data:; media-src blob:; img-src blob: data:")
    html = inline_part(html, r'(?<=<meta http-equiv="Content-Security-Policy")\s+content="[^"]*"',
                       lambda m: f'\n      content="{policy}"', 'content security policy')
    left = re.search(r'<(?:script|link)\b[^>]*\b(?:src|href)="(?!data:)[^"]*"', html)
    if left:
        fail(f'index.html still names a file: {left.group(0)}')
    return html


def main():
    if len(sys.argv) != 3:
        fail('usage: web_one_file.py PAGE_FOLDER OUTPUT.html')
    folder, output = Path(sys.argv[1]), Path(sys.argv[2])
    html = one_file(folder)
    output.write_text(html, encoding='utf-8')
    print(f'{output}: {len(html.encode("utf-8"))} bytes')


if __name__ == '__main__':
    main()
