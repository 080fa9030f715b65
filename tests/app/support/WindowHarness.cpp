#include "tests/app/support/WindowHarness.h"

#include "Tallowin/screens/DeckCanvas.h"
#include "Tallowin/screens/TallowinPresentedSheet.h"

#include <QTest>

namespace tallowin::test {

namespace {

QPoint centre(const CanvasRect &frame)
{
    return QPointF(frame.origin.x + frame.size.width / 2, frame.origin.y + frame.size.height / 2).toPoint();
}

} // namespace

WindowHarness::WindowHarness(const TallowinDocument *deck, TallowinApp::Options options)
{
    if (deck)
        harness.writeDeck(*deck);
    store = harness.makeStore();
    if (!options.sheets)
        options.sheets = TallowinPresentedSheet::defaultFactory();
    if (!options.files.open)
        options.files.open = [this](const std::filesystem::path &path) {
            opened.push_back(path);
            return filesOpen;
        };
    if (!options.files.reveal)
        options.files.reveal = [this](const std::filesystem::path &path) {
            revealed.push_back(path);
            return filesOpen;
        };
    window = std::make_unique<TallowinApp>(*store, std::move(options));
    window->resize(1600, 900);
    window->show();
    window->activateWindow();
    if (!QTest::qWaitForWindowActive(window.get()))
        throw std::runtime_error("the window did not become active");
    harness.settle();
}

DeckCanvas &WindowHarness::canvas() const
{
    return *window->canvas();
}

std::string WindowHarness::currentID() const
{
    const std::optional<TaskItem> task = store->currentTask();
    return task ? task->id : std::string();
}

void WindowHarness::drag(QPoint to, bool release)
{
    DeckCanvas &target = canvas();
    const QPoint from = target.cardRect().center();
    QTest::mousePress(&target, Qt::LeftButton, {}, from);
    const int steps = 8;
    for (int step = 1; step <= steps; ++step)
        QTest::mouseMove(&target, from + (to - from) * step / steps);
    if (release)
        QTest::mouseRelease(&target, Qt::LeftButton, {}, to);
}

QPoint WindowHarness::removeCentre() const
{
    return centre(canvas().zones().removeFrame);
}

QPoint WindowHarness::delayCentre(DelayChoice choice) const
{
    return centre(canvas().zones().delayFrames[std::size_t(choice)]);
}

} // namespace tallowin::test
