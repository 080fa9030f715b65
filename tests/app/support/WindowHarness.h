#pragma once

#include "Tallowin/screens/TallowinApp.h"
#include "tests/app/support/StoreHarness.h"

#include <QPoint>

#include <filesystem>
#include <memory>
#include <vector>

namespace tallowin {
class DeckCanvas;
}

namespace tallowin::test {

// The main window over a harness store: loaded from a deck the test gives, shown and active on the offscreen
// platform, with the desktop's file handling recorded instead of performed.
class WindowHarness
{
public:
    // Writes deck (when given), shows the window at 1600 by 900 and settles its first load.
    explicit WindowHarness(const TallowinDocument *deck, TallowinApp::Options options = {});
    explicit WindowHarness(const TallowinDocument &deck)
        : WindowHarness(&deck)
    { }

    StoreHarness harness;
    std::unique_ptr<TaskStore> store;
    std::unique_ptr<TallowinApp> window;
    std::vector<std::filesystem::path> opened;
    std::vector<std::filesystem::path> revealed;
    bool filesOpen = true;

    DeckCanvas &canvas() const;
    // The id of the card in front, or empty.
    std::string currentID() const;
    void settle() { harness.settle(); }

    // A drag of the card with mouse events on the canvas: press at its centre, moves in steps, release at to.
    void drag(QPoint to, bool release = true);
    // The centre of the canvas's remove frame and of its delay frame for a choice.
    QPoint removeCentre() const;
    QPoint delayCentre(DelayChoice choice) const;
};

} // namespace tallowin::test
