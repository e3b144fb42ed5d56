#!/usr/bin/env python3
"""The protocol's JSON Schema: the documented examples pass, broken messages fail,
and the line checker that the end-to-end tests run answers line by line.

Usage: test_schema.py SCHEMA PROTOCOL.md README.md
"""

import json
import os
import re
import subprocess
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import check_lines  # noqa: E402

SCHEMA, PROTOCOL, README = sys.argv[1:4]
del sys.argv[1:4]

SETTINGS = ('"volume":0.55,"rate":1,"subtitleEnabled":true,"subtitleFont":"Vazirmatn",'
            '"subtitleSize":26,"subtitleColor":"#ffffff","subtitleBackground":"#000000",'
            '"subtitleBackgroundOpacity":0.55')
PROGRESS = '"position":1.5,"duration":10,"paused":false,"volume":1,"rate":1'

# (line, valid): events as the player may write them, and faults it must not commit.
EVENTS = [
    ('{"type":"settings",' + SETTINGS + '}', True),
    ('{"type":"progress",' + PROGRESS + '}', True),
    ('{"type":"progress","position":0,"duration":0,"paused":true,"volume":0,"rate":0.25}', True),
    ('{"type":"ended","position":10,"duration":10}', True),
    ('{"type":"closed","position":0,"duration":0}', True),
    ('{"type":"error","message":"آدرس پخش معتبر نیست."}', True),
    ('{"type":"error","message":"راه\u200cاندازی موتور پخش ممکن نشد."}', True),
    ('{"type":"progress",' + PROGRESS + ',"buffering":true}', False),
    ('{"type":"progress","position":1.5,"duration":10,"paused":false,"volume":1}', False),
    ('{"type":"progress","position":"1.5","duration":10,"paused":false,"volume":1,"rate":1}',
     False),
    ('{"type":"progress","position":1.5,"duration":10,"paused":0,"volume":1,"rate":1}', False),
    ('{"type":"progress","position":1.5,"duration":10,"paused":false,"volume":true,"rate":1}',
     False),
    ('{"type":"progress","position":-0.5,"duration":10,"paused":false,"volume":1,"rate":1}',
     False),
    ('{"type":"closed","position":0,"duration":0,"command":"close"}', False),
    ('{"type":"closed","position":0,"duration":null}', False),
    ('{"type":"settings",' + SETTINGS.replace('"subtitleEnabled":true', '"subtitleEnabled":1')
     + '}', False),
    ('{"type":"settings",' + SETTINGS.replace('"subtitleSize":26,', '') + '}', False),
    # Without its zero-width non-joiner the text is not one the player writes.
    ('{"type":"error","message":"راهاندازی موتور پخش ممکن نشد."}', False),
    ('{"type":"error","message":""}', False),
    ('{"type":"Progress",' + PROGRESS + '}', False),
    ('{"type":"hello"}', False),
    ('{"position":0,"duration":0}', False),
    ('[{"type":"closed","position":0,"duration":0}]', False),
]

# (line, valid): commands as a parent writes them.
COMMANDS = [
    ('{"command":"load","title":"فیلم","subtitle":"","isLive":false,"settings":{' + SETTINGS
     + '},"sources":[{"url":"http://127.0.0.1/a.mp4","quality":"720p"}],'
     '"subtitles":[{"url":"http://127.0.0.1/a.srt","language":"فارسی"}],'
     '"url":"http://127.0.0.1/a.mp4","startTime":120}', True),
    ('{"command":"load"}', True),
    ('{"command":"load","isLive":1,"settings":{"volume":0.5}}', True),
    ('{"command":"play","id":7}', True),  # keys a command does not read are allowed
    ('{"command":"seek","position":12.5}', True),
    ('{"command":"setSubtitle","index":-1}', True),
    ('{"command":"setSubtitleStyle","subtitleFont":"Vazirmatn-Bold","subtitleSize":30}', True),
    ('{"command":"close"}', True),
    ('{"command":"seek","position":"12"}', False),
    ('{"command":"setVolume","volume":"0.5"}', False),
    ('{"command":"load","url":5}', False),
    ('{"command":"load","settings":{"volume":"loud"}}', False),
    ('{"command":"load","sources":[{"url":1}]}', False),
    ('{"command":"load","subtitles":{"url":"a.srt"}}', False),
    ('{"command":"setSubtitleStyle","subtitleColor":16777215}', False),
    ('{"command":"Play"}', False),
    ('{"command":"play "}', False),
    ('{"type":"closed","position":0,"duration":0}', False),
]


def documented_lines():
    """(direction, line) of every example message in PROTOCOL.md and README.md."""
    found = []
    with open(PROTOCOL, encoding="utf-8") as file:
        for line in file:
            match = re.match(r"^([→←]) (\{.*\})\s*$", line)
            if match:
                found.append(("commandV1" if match.group(1) == "→" else "eventV1", match.group(2)))
    for path in (PROTOCOL, README):
        with open(path, encoding="utf-8") as file:
            for quoted in re.findall(r"'(\{\"command\".*?\})'", file.read()):
                found.append(("commandV1", quoted))
    return found


class SchemaTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.validators = {name: check_lines.load_validator(SCHEMA, name)
                          for name in ("eventV1", "commandV1")}

    def check_table(self, definition, rows):
        for line, valid in rows:
            with self.subTest(line=line):
                found = check_lines.problems(self.validators[definition], line)
                if valid:
                    self.assertEqual(found, [])
                else:
                    self.assertNotEqual(found, [], "accepted")

    def test_documented_examples(self):
        examples = documented_lines()
        directions = {direction for direction, _ in examples}
        self.assertEqual(directions, {"commandV1", "eventV1"}, "the examples were not found")
        for definition, line in examples:
            with self.subTest(line=line):
                self.assertEqual(check_lines.problems(self.validators[definition], line), [])

    def test_events(self):
        self.check_table("eventV1", EVENTS)

    def test_commands(self):
        self.check_table("commandV1", COMMANDS)

    def test_top_level_takes_both_directions(self):
        with open(SCHEMA, encoding="utf-8") as file:
            schema = json.load(file)
        validator = check_lines.Draft202012Validator(schema)
        for line, valid in EVENTS[:3] + COMMANDS[:3] + [('{"type":"hello"}', False)]:
            with self.subTest(line=line):
                self.assertEqual(validator.is_valid(json.loads(line)), valid)

    def test_every_event_is_listed_and_defined(self):
        with open(SCHEMA, encoding="utf-8") as file:
            defs = json.load(file)["$defs"]
        for listing, prefix in (("eventV1", "event-"), ("commandV1", "command-")):
            listed = {entry["$ref"].rsplit("/", 1)[1] for entry in defs[listing]["oneOf"]}
            defined = {name for name in defs if name.startswith(prefix)}
            self.assertEqual(listed, defined, listing)

    def test_checker_answers_each_line_in_order(self):
        lines = [EVENTS[1][0], "not json", EVENTS[7][0], EVENTS[0][0]]
        result = subprocess.run(
            [sys.executable, os.path.join(os.path.dirname(__file__), "check_lines.py"),
             SCHEMA, "eventV1"],
            input=("\n".join(lines) + "\n").encode(), capture_output=True, timeout=60)
        self.assertEqual(result.returncode, 0, result.stderr.decode())
        answers = result.stdout.decode().splitlines()
        self.assertEqual(len(answers), len(lines), answers)
        self.assertEqual(answers[0], "ok")
        self.assertTrue(answers[1].startswith("fault: not JSON"), answers[1])
        self.assertIn("'buffering' was unexpected", answers[2])
        self.assertEqual(answers[3], "ok")


if __name__ == "__main__":
    unittest.main()
