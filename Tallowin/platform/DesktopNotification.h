#pragma once

#include <string>

namespace tallowin {

// One notification for the desktop to show: a short summary and a line that says what happened.
struct DesktopNotification
{
    std::string summary;
    std::string body;

    friend bool operator==(const DesktopNotification &, const DesktopNotification &) = default;
};

// Shows notifications on the desktop, and knows whether Tallowin's window is the one the user is looking at.
class DesktopNotifier
{
public:
    virtual ~DesktopNotifier() = default;

    virtual void show(const DesktopNotification &notification) = 0;
    virtual bool isApplicationActive() const = 0;
};

} // namespace tallowin
