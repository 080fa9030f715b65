"""A whole review through the command line on a fresh deck, checked against the deck file after every step.

Usage: test_scripted_review.py PATH_TO_TALLOWIN_CLI
"""
import json
import os
import re
import subprocess
import sys
import tempfile

BEGIN = "<!-- TALLOWIN_DATA_BEGIN -->"
END = "<!-- TALLOWIN_DATA_END -->"
UUID = re.compile(r"^[0-9a-f]{8}-[0-9a-f]{4}-4[0-9a-f]{3}-[89ab][0-9a-f]{3}-[0-9a-f]{12}$")
checks = 0


def check(condition, message):
    global checks
    checks += 1
    if not condition:
        raise AssertionError(message)


class Deck:
    def __init__(self, cli, path):
        self.cli, self.path = cli, path

    def run(self, *arguments, now="2026-03-14T09:00:00.000Z", stdin=None, status=0):
        result = subprocess.run([self.cli, "--file", self.path, "--now", now, *arguments], input=stdin,
                                capture_output=True, text=True)
        check(result.returncode == status, f"{arguments}: exit {result.returncode}, stderr {result.stderr!r}")
        return result

    def data(self):
        with open(self.path, encoding="utf-8") as handle:
            text = handle.read()
        start = text.index(BEGIN) + len(BEGIN)
        return json.loads(text[start:text.index(END, start)])

    def card(self, title):
        cards = [card for card in self.data()["tasks"] if card["title"] == title]
        check(len(cards) == 1, f"one card titled {title}")
        return cards[0]

    def write_data(self, document):
        with open(self.path, "w", encoding="utf-8") as handle:
            handle.write(f"# Tallowin\n\n{BEGIN}\n{json.dumps(document)}\n{END}")


def main():
    cli = sys.argv[1]
    with tempfile.TemporaryDirectory() as folder:
        deck = Deck(cli, os.path.join(folder, "deck", "Tallowin.md"))

        out = deck.run("add", "Ship the release", "--context", "Tag and announce").stdout
        check(out == "Task added.\n", out)
        deck.run("add", "Review the budget", "--person", "Ada", "--kind", "decision")
        deck.run("add", "Call the bank", "--person", "  ")
        data = deck.data()
        check(data["revision"] == 4, "the seed, then three saves")
        ship, budget, bank = (deck.card(t) for t in ("Ship the release", "Review the budget", "Call the bank"))
        check(UUID.match(ship["id"][3:]) and ship["id"].startswith("KB-"), ship["id"])
        check(ship["person"] == "Me" and bank["person"] == "Me" and budget["person"] == "Ada", "blank person is Me")
        check(budget["kind"] == "decision" and ship["kind"] == "commitment", "kinds")
        check([c["order"] for c in (ship, budget, bank)] == [1, 2, 3], "orders")
        check(ship["history"][0]["type"] == "pipeline_created", "created event")

        queue = deck.run("queue").stdout.splitlines()
        check([line.split("\t")[2] for line in queue] == ["Ship the release", "Review the budget", "Call the bank"],
              queue)

        out = deck.run("complete", ship["id"][:12].lower(), "Done, see https://example.com/release/1).").stdout
        check(out == "Completed Ship the release.\n", out)
        ship = deck.card("Ship the release")
        check(ship["state"] == "completed" and ship["result"] == "Done, see https://example.com/release/1).", ship)
        check(ship["sources"] == [{"label": "Completion evidence", "url": "https://example.com/release/1",
                                   "sourceKey": "url:https://example.com/release/1",
                                   "resolvedAt": "2026-03-14T09:00:00.000Z",
                                   "resolvedItemKey": "url:https://example.com/release/1|ship-the-release"}],
              ship["sources"])
        data = deck.data()
        check(UUID.match(data["runID"]), "the first decision opens a run")
        check(data["runTaskIDs"] == [ship["id"], budget["id"], bank["id"]], data["runTaskIDs"])
        check(data["runProcessedIDs"] == [ship["id"]], data["runProcessedIDs"])

        out = deck.run("delay", budget["id"], "tomorrow").stdout
        check(out == "Moved Review the budget to tomorrow.\n", out)
        budget = deck.card("Review the budget")
        check(budget["state"] == "delayed" and budget["resumeAt"] == "2026-03-15T09:00:00.000Z", budget)
        check(budget["delayTarget"] == "tomorrow" and budget["history"][-1]["note"] == "tomorrow", budget)

        deck.run("due", now="2026-03-15T08:59:59.999Z")
        check(deck.card("Review the budget")["state"] == "delayed", "not yet due")
        revision = deck.data()["revision"]
        deck.run("due", now="2026-03-15T09:00:00.000Z")
        budget = deck.card("Review the budget")
        check(budget["state"] == "active" and budget["delayTarget"] == "nextRun", budget)
        check(budget["history"][-1]["type"] == "resumed", budget["history"][-1])
        check(deck.data()["revision"] == revision + 1, "one save")
        before = deck.data()
        out = deck.run("due", now="2026-03-16T09:00:00.000Z").stdout
        check(out == "" and deck.data() == before, "nothing due writes nothing")

        out = deck.run("merge", budget["id"], bank["id"], "--title", "Money matters").stdout
        check(out == "Created a shared task from 2 cards.\n", out)
        shared = deck.card("Money matters")
        check(shared["person"] == "Shared" and shared["mergedTaskIDs"] == sorted([budget["id"], bank["id"]]), shared)
        check(deck.card("Call the bank")["state"] == "merged", "merged")
        check(deck.card("Call the bank")["mergedInto"] == shared["id"], "points at the shared card")
        check(shared["id"] in deck.data()["runTaskIDs"], "the shared card joins the run")

        # An outside agent writes two suggestions into the file.
        data = deck.data()
        for suffix in ("1", "2"):
            data["pendingCandidates"].append({
                "id": f"C{suffix}", "person": "Lee", "title": f"Reply to thread {suffix}", "context": "Asked twice",
                "kind": "open", "source": {"label": "#ops", "url": f"https://acme.slack.com/archives/C0/p{suffix}"},
                "classificationReason": "Direct question", "discoveredAt": "2026-03-14T08:00:00Z"})
        deck.write_data(data)
        out = deck.run("accept", "c1", "--title", "Answer Lee").stdout
        check(out == "Added the reviewed task to your deck.\n", out)
        accepted = deck.card("Answer Lee")
        check(accepted["id"] == "KB-c1" and accepted["history"][0]["type"] == "candidate_accepted", accepted)
        out = deck.run("dismiss", "C2").stdout
        check(out == "Dismissed the candidate and saved its source identity.\n", out)
        data = deck.data()
        check(data["pendingCandidates"] == [], "inbox empty")
        check(data["dismissedCandidateKeys"] == ["slack:c0:p2|reply-to-thread-2"], data["dismissedCandidateKeys"])
        result = deck.run("dismiss", "C2", status=1)
        check(result.stderr == "Task candidate C2 was not found.\n", result.stderr)

        contracts = [{"schemaVersion": 1, "id": "KB-900", "person": "Ops", "title": "Rotate keys", "kind": "check",
                      "sources": [{"label": "runbook", "url": "https://example.com/runbook"}]}]
        deck.run("ingest", "-", stdin=json.dumps(contracts))
        rotate = deck.card("Rotate keys")
        check(rotate["id"] == "KB-900" and rotate["history"][0]["type"] == "pipeline_created", rotate)
        check("KB-900" in deck.data()["runTaskIDs"], "ingested cards join the open run")
        revision = deck.data()["revision"]
        deck.run("ingest", "-", stdin=json.dumps(contracts))
        check(deck.data()["revision"] == revision, "the same input again changes nothing")

        queue = [line.split("\t")[0] for line in deck.run("queue").stdout.splitlines()]
        out = deck.run("next", queue[0]).stdout
        check(out == "", out)
        check(deck.data()["runTaskIDs"][-1] == queue[0], "moved behind the others")
        queue_after = [line.split("\t")[0] for line in deck.run("queue").stdout.splitlines()]
        check(queue_after == queue[1:] + queue[:1], queue_after)

        result = deck.run("complete", "KB-", status=1)
        check(result.stderr.startswith("KB- matches several cards: "), result.stderr)
        result = deck.run("complete", "nope", status=1)
        check(result.stderr == "Task nope was not found.\n", result.stderr)
        result = deck.run("ask", "KB-900", "   ", status=1)
        check(result.stderr == "An instruction is required before Tallowin can request an agent action.\n",
              result.stderr)
        out = deck.run("ask", "kb-900", " Draft the rotation plan ").stdout
        check(out == "Requested an agent action for Rotate keys.\n", out)
        rotate = deck.card("Rotate keys")
        check(rotate["state"] == "action_requested" and rotate["instruction"] == "Draft the rotation plan", rotate)
        out = deck.run("person", "KB-900", "Sam").stdout
        check(out == "Updated the card owner.\n" and deck.card("Rotate keys")["person"] == "Sam", out)
        out = deck.run("remove", accepted["id"]).stdout
        check(out == "Task removed. Choose Undo to bring it back.\n", out)
        out = deck.run("restore", accepted["id"]).stdout
        check(out == "" and deck.card("Answer Lee")["state"] == "active", out)
        out = deck.run("run").stdout
        check(out == "Started a new review run.\n" and deck.data()["runProcessedIDs"] == [], out)
        out = deck.run("review-all").stdout
        check(out == "Ready to review every card again.\n", out)
        out = deck.run("delay", "KB-c1", "next-week", "--note", " later ").stdout
        check(out == "Moved Answer Lee to next week.\n", out)
        check(deck.card("Answer Lee")["resumeAt"] == "2026-03-21T09:00:00.000Z", deck.card("Answer Lee"))
        check(deck.card("Answer Lee")["history"][-1]["note"] == "later", "the note is trimmed")
        out = deck.run("delay", "KB-c1", "2026-04-01T10:00:00+02:00").stdout
        check(out == "Moved Answer Lee to choose a date….\n", out)
        check(deck.card("Answer Lee")["resumeAt"] == "2026-04-01T08:00:00.000Z", "custom date")
        check(deck.run("delay", "KB-c1", "soon", status=1).stderr.startswith("Delay to tomorrow"), "bad delay")
        check(os.stat(deck.path).st_mode & 0o777 == 0o600, "owner-only")
        check(not os.path.exists(deck.path + ".lock"), "no lock left")
    print(f"1 passed, 0 failed ({checks} checks)")


if __name__ == "__main__":
    main()
