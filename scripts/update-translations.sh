#!/usr/bin/env bash
# Collects the translatable texts of the sources into translations/en_US.ts and
# translations/zh_CN.ts. Existing translations are kept; texts no longer in the sources
# are dropped. English needs no translation: every English entry is filled with its own
# source text. New Chinese entries are left unfinished for a translator; the script
# lists them and exits with status 1 while any remain.
set -euo pipefail
cd "$(dirname "$0")/.."

lupdate=$(command -v lupdate || echo /usr/lib/qt5/bin/lupdate)
"$lupdate" -silent -no-obsolete -locations none -source-language en_US -I "$PWD" \
  app link engine data panels lineview \
  -ts translations/en_US.ts translations/zh_CN.ts

python3 - translations/en_US.ts translations/zh_CN.ts <<'PY'
import sys
import xml.etree.ElementTree as ET

def load(path):
    tree = ET.parse(path)
    return tree, tree.getroot()

def save(tree, root, path, language):
    root.set('language', language)
    root.set('sourcelanguage', 'en_US')
    ET.indent(tree, space='    ')
    body = ET.tostring(root, encoding='unicode')
    with open(path, 'w', encoding='utf-8') as f:
        f.write('<?xml version="1.0" encoding="utf-8"?>\n<!DOCTYPE TS>\n' + body + '\n')

en_path, zh_path = sys.argv[1], sys.argv[2]

tree, root = load(en_path)
for message in root.iter('message'):
    source = message.find('source').text or ''
    translation = message.find('translation')
    forms = translation.findall('numerusform')
    if forms:
        for form in forms:
            form.text = source
    else:
        translation.text = source
    translation.attrib.pop('type', None)
save(tree, root, en_path, 'en_US')

# The Chinese file stays as lupdate wrote it; only report what is left to translate.
tree, root = load(zh_path)
missing = []
for context in root.iter('context'):
    name = context.find('name').text
    for message in context.iter('message'):
        translation = message.find('translation')
        if translation.get('type') == 'unfinished' or not (translation.text or '').strip():
            missing.append((name, message.find('source').text))

if missing:
    print(f'{len(missing)} text(s) without a Chinese translation in {zh_path}:')
    for name, source in missing:
        print(f'  [{name}] {source!r}')
    sys.exit(1)
PY
