"""The deck file's JSON block is plain JSON that a standard reader takes back unchanged.

Usage: test_deck_json.py PATH_TO_TALLOWIN_CLI
"""
import json
import os
import subprocess
import sys
import tempfile

BEGIN = "<!-- TALLOWIN_DATA_BEGIN -->"
END = "<!-- TALLOWIN_DATA_END -->"

TASK = {
    "id": "KB-001", "order": 3, "person": "Zoë", "title": "Réview “the” Q3 plan / 雪", "context": "Line\nbreak\t\"q\"",
    "kind": "waiting_on", "state": "delayed", "resumeAt": "2026-03-15T09:00:00.000Z", "delayTarget": "tomorrow",
    "instruction": "", "result": "", "highlighted": True, "mergedTaskIDs": [],
    "sources": [{"label": "PR", "url": "https://github.com/org/repo/pull/7", "sourceKey": "url:https://github.com/org/repo/pull/7"}],
    "history": [{"id": "h1", "at": "2026-03-14T09:26:53.589Z", "type": "pipeline_created", "note": "Créé 🎉"}],
    "createdAt": "2026-03-14T09:26:53.589Z", "updatedAt": "2026-03-14T09:26:53.589Z",
}
CANDIDATE = {
    "id": "c1", "person": "Ada", "title": "Follow up", "context": "Thread", "kind": "open",
    "source": {"label": "#general", "url": "https://acme.slack.com/archives/C1/p17"},
    "classificationReason": "Asked", "confidence": 0.1, "discoveredAt": "2026-03-14T09:26:53.589Z",
}
DOCUMENT = {
    "version": 2, "revision": 9007199254740993, "title": "Tallowin", "updatedAt": "2026-03-14T09:26:53.589Z",
    "tasks": [TASK], "runID": "run-1", "runTaskIDs": [], "scanHistory": [], "pendingCandidates": [CANDIDATE],
    "dismissedCandidateKeys": ["url:https://example.com/a|x"],
}


def block_of(text):
    start = text.index(BEGIN) + len(BEGIN)
    return text[start:text.index(END, start)].strip()


def assert_sorted(pairs):
    keys = [key for key, _ in pairs]
    assert keys == sorted(keys), f"keys out of order: {keys}"
    return dict(pairs)


def main():
    cli = sys.argv[1]
    with tempfile.TemporaryDirectory() as folder:
        deck = os.path.join(folder, "Tallowin.md")
        with open(deck, "w", encoding="utf-8") as handle:
            handle.write(f"# hand-written\n{BEGIN}\n{json.dumps(DOCUMENT, ensure_ascii=True)}\n{END}\n")
        os.chmod(deck, 0o600)

        rendered = subprocess.run([cli, "--file", deck, "render"], check=True, capture_output=True).stdout.decode("utf-8")
        assert rendered.endswith(END), "the file ends with the end marker, without a line feed"
        block = block_of(rendered)
        read_back = json.loads(block, object_pairs_hook=assert_sorted)
        assert read_back == DOCUMENT, f"values differ:\n{read_back}\n{DOCUMENT}"
        assert "\\/" not in block and "https://github.com/org/repo/pull/7" in block, "links keep plain slashes"
        assert "Zoë" in block and "雪" in block, "non-ASCII text is written as UTF-8"

        shown = subprocess.run([cli, "--file", deck, "show"], check=True, capture_output=True).stdout.decode("utf-8")
        assert shown.rstrip("\n") == block, "show prints the file's JSON block"

        # Rendering what was rendered gives the same bytes.
        with open(deck, "w", encoding="utf-8") as handle:
            handle.write(rendered)
        again = subprocess.run([cli, "--file", deck, "render"], check=True, capture_output=True).stdout.decode("utf-8")
        assert again == rendered


def large_deck_is_written_as_a_standard_writer_would():
    # Enough cards for the encoder to write them in parts; every part must join into the same layout.
    tasks = []
    for number in range(1, 1302):
        task = dict(TASK, id=f"KB-{number:04d}", order=number, title=f"Card {number} “{number % 7}” / {'雪' * (number % 3)}")
        task["history"] = [dict(event, id=f"h{number}-{index}") for index, event in enumerate(TASK["history"] * (number % 4))]
        if number % 5 == 0:
            task.pop("highlighted")
            task["sources"] = []
        tasks.append(task)
    document = dict(DOCUMENT, tasks=tasks, runTaskIDs=[task["id"] for task in tasks[:40]])
    with tempfile.TemporaryDirectory() as folder:
        deck = os.path.join(folder, "Tallowin.md")
        with open(deck, "w", encoding="utf-8") as handle:
            handle.write(f"{BEGIN}\n{json.dumps(document)}\n{END}\n")
        os.chmod(deck, 0o600)
        rendered = subprocess.run([sys.argv[1], "--file", deck, "render"], check=True, capture_output=True).stdout.decode("utf-8")
        block = block_of(rendered)
        assert json.loads(block) == document, "the large deck reads back unchanged"
        expected = json.dumps(document, indent=2, ensure_ascii=False, sort_keys=True)
        if block != expected:
            line = next(i for i, (a, b) in enumerate(zip(block.splitlines(), expected.splitlines())) if a != b)
            raise AssertionError(f"layout differs from line {line + 1}: {block.splitlines()[line]!r}")


if __name__ == "__main__":
    main()
    large_deck_is_written_as_a_standard_writer_would()
    print("2 passed, 0 failed")
