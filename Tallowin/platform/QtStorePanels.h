#pragma once

#include "Tallowin/store/StorePanels.h"

#include <QPointer>
#include <QWidget>

namespace tallowin {

// The store's panels as modal QFileDialogs over the given window.
class QtStorePanels final : public StorePanels
{
public:
    explicit QtStorePanels(QWidget *window = nullptr);
    void setWindow(QWidget *window) { m_window = window; }

    std::optional<std::filesystem::path> chooseImportFile() override;
    std::optional<std::filesystem::path> chooseDiagnosticsDestination(const std::string &proposedName) override;

private:
    QPointer<QWidget> m_window;
};

} // namespace tallowin
