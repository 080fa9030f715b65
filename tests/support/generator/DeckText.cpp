#include "tests/support/generator/DeckText.h"

#include <array>
#include <string_view>

namespace tallowin::bench {

namespace {

using namespace std::string_view_literals;

constexpr std::array people
    = {"Zoë Müller"sv, "José Martínez"sv, "Jürgen Groß"sv, "Chloé Lefèvre"sv, "Søren Ålund"sv, "王芳"sv, "田中 花子"sv,
        "김민준"sv, "Nguyễn Thị Lan"sv, "Renée O’Connor"sv, "Priya Raman"sv, "Mateusz Wiśniewski"sv,
        "Ana-María Núñez"sv, "Ingrid Strauß"sv, "Dev Patel"sv, "Sam Carter"sv, "Marta Kowalska"sv, "Björn Æbelø"sv,
        "Łukasz Żółw"sv, "Amélie Château"sv, "Chen Wei 陈伟"sv, "Fatima Al-Sayed"sv, "Olu Adébáyọ̀"sv, "Me"sv};

constexpr std::array verbs = {"Review"sv, "Send"sv, "Follow up on"sv, "Confirm"sv, "Draft"sv, "Unblock"sv,
    "Decide on"sv, "Check"sv, "Ship"sv, "Reply about"sv, "Sign off"sv, "Escalate"sv, "Prepare"sv, "Chase"sv};

constexpr std::array objects = {"the Q3 “pricing” deck"sv, "Jürgen’s budget sheet"sv, "the Straße rollout plan"sv,
    "the 東京 launch checklist"sv, "the café onboarding flow 🚀"sv, "the naïve retry logic in payments"sv,
    "Zoë’s résumé feedback"sv, "the ✅ release notes for 2.4"sv, "the München office lease"sv,
    "the \"legacy\" export job"sv, "the API rate limits ⚠️"sv, "the 🇩🇪 localisation strings"sv,
    "the Ñandú data migration"sv, "the on-call handover"sv, "the SOC 2 evidence folder"sv,
    "the vendor invoice (€ 12 400)"sv, "the 설계 review notes"sv, "the flaky CI job on main"sv,
    "the customer’s SSO question"sv, "the hiring loop for the façade team"sv};

constexpr std::array titleEndings = {""sv, " for the board"sv, " before Friday"sv, " — blocked on legal"sv,
    " with the Zürich team"sv, " (again)"sv, " 🙏"sv, " by EOD"sv, " after the offsite"sv};

constexpr std::array sentences = {
    "Zoë asked in the thread whether the numbers in the “pricing” deck still match what finance sent on Monday."sv,
    "Jürgen said he would only sign once the Straße rollout plan has a rollback section and an owner per step."sv,
    "The customer wrote: \"we can't go live until the SSO callback works behind our proxy\" — this is urgent."sv,
    "Need to reply in #release-train with the final date; people keep asking and nobody has answered yet."sv,
    "東京チームからの確認待ち。ローンチ前にチェックリストを全部終わらせる必要があります。"sv,
    "The retry logic backs off naïvely (1s, 1s, 1s…) and hammers the payments API during incidents."sv,
    "Priya pasted the failing path: C:\\Users\\zoë\\AppData\\Local\\Temp\\export.csv — only on Windows."sv,
    "Action items from the call:\n\t1. update the doc\n\t2. ping legal\n\t3. book a follow-up"sv,
    "Søren thinks the café onboarding flow loses people at step three; the funnel shows a 40 % drop there."sv,
    "설계 리뷰에서 나온 의견을 정리해서 금요일까지 공유하기로 했습니다."sv,
    "I promised Renée a decision on the vendor invoice (€ 12 400) after the budget review ✅."sv,
    "GitHub PR is green but needs a second approval from someone on the façade team before merge."sv,
    "She mentioned “next sprint” twice, so this will slip unless someone owns it now 😬."sv,
    "The München lease renewal needs a signature from two directors; the deadline is the 31st."sv,
    "Ops flagged that the nightly export job writes \"null\" instead of an empty string for missing names."sv,
    "Marta asked for the SOC 2 evidence folder to be shared with the auditors by the end of the month."sv,
    "Chen Wei 陈伟 is waiting on our answer about the rate limits before they change their client."sv,
    "Follow-up from the 1:1 — keep it short, a yes/no is enough, and copy Ana-María on the reply."sv,
    "The flaky CI job on main failed 7 of the last 20 runs; the log ends with `exit status 137` (OOM?)."sv,
    "Björn will be out from the 12th, so the handover has to happen this week or it waits a fortnight."sv,
    "Łukasz wrote «à revoir» on the slide with the migration timeline; not sure what he means exactly."sv,
    "Fatima needs the localisation strings for 🇩🇪 and 🇫🇷 frozen by Wednesday so translators can start."sv,
};

constexpr std::array instructions = {"Draft a short reply to Zoë confirming the numbers; keep it under 5 lines."sv,
    "Open a PR that adds a rollback section to the Straße rollout doc."sv,
    "Summarise the thread for Jürgen and list the open questions as bullets."sv,
    "Find the failing CI runs since Monday and group them by error message."sv,
    "Write the release note entry (EN + DE: „Fehlerbehebungen“) for 2.4."sv};

constexpr std::array results = {"Marked complete."sv, "Sent the signed contract; see the thread."sv,
    "Done — merged in https://github.com/acme/web-app/pull/4312 ✅"sv, "Replied in #release-train: ship on Thursday."sv,
    "Decided: we keep the current vendor for another year."sv, "Jürgen signed off 👍"sv};

constexpr std::array reasons = {"Direct request with a deadline."sv, "Someone is waiting on an answer from you."sv,
    "You promised a follow-up in this thread."sv, "A decision is needed before work can continue."sv,
    "Mentioned as the owner of the next step."sv, "Risk raised that nobody has picked up yet."sv};

constexpr std::array channels = {"#release-train"sv, "#team-payments"sv, "#général"sv, "#東京-launch"sv,
    "#ops-incidents 🔥"sv, "#façade-team"sv, "DM with Zoë Müller"sv, "#hiring"sv};

constexpr std::array repositories
    = {"acme/web-app"sv, "acme/payments-service"sv, "acme/infra"sv, "acme/mobile-ios"sv, "acme/design-system"sv};

constexpr std::array scanNotes = {"Read every lane to the end."sv, "Stopped early: Slack rate limit (HTTP 429)."sv,
    "Resumed from the previous cursor; threads in #général still pending."sv,
    "Nothing new in DMs; 3 suggestions from mentions."sv};

} // namespace

std::string DeckText::person(DeckRandom &random)
{
    return std::string(random.pick(people));
}

std::string DeckText::title(DeckRandom &random)
{
    std::string text(random.pick(verbs));
    text += ' ';
    text += random.pick(objects);
    text += random.pick(titleEndings);
    return text;
}

std::string DeckText::context(DeckRandom &random, std::size_t targetBytes)
{
    std::string text;
    text.reserve(targetBytes + 200);
    while (text.size() < targetBytes) {
        if (!text.empty())
            text += random.chance(15) ? "\n\n" : " ";
        text += random.pick(sentences);
    }
    return text;
}

std::string DeckText::instruction(DeckRandom &random)
{
    return std::string(random.pick(instructions));
}

std::string DeckText::result(DeckRandom &random)
{
    return std::string(random.pick(results));
}

std::string DeckText::classificationReason(DeckRandom &random)
{
    return std::string(random.pick(reasons));
}

std::string DeckText::channelLabel(DeckRandom &random)
{
    return std::string(random.pick(channels));
}

std::string DeckText::repository(DeckRandom &random)
{
    return std::string(random.pick(repositories));
}

std::string DeckText::scanNote(DeckRandom &random)
{
    return std::string(random.pick(scanNotes));
}

} // namespace tallowin::bench
