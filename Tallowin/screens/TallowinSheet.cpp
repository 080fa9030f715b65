#include "Tallowin/screens/TallowinSheet.h"

namespace tallowin {

TallowinSheet::TallowinSheet(TaskStore &store, QWidget *parent)
    : QWidget(parent)
    , m_store(store)
{ }

} // namespace tallowin
