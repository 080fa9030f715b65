#pragma once

#include "TallowinCore/document/TaskSource.h"

#include <QPushButton>

namespace tallowin {

// One source of a card or suggestion as a link: its label (the address when it has none), drawn left-aligned
// and shortened with an ellipsis to the room it has, opening the address in the browser. Each is its own Tab stop,
// named by its label.
class SourceLinkButton : public QPushButton
{
    Q_OBJECT

public:
    SourceLinkButton(const TaskSource &source, QWidget *parent = nullptr);

    const QString &url() const { return m_url; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QString m_url;
};

} // namespace tallowin
