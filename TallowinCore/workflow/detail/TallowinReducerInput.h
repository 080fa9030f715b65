#pragma once

#include "TallowinCore/workflow/TallowinReducer.h"

#include <utility>

namespace tallowin {

// The document a command works on. Its checks read the input as given; take() then hands out the document to
// change: the input itself when the caller gave it up, else a copy. Nothing is read through the input after take(),
// since the input it refers to may then be emptied.
class TallowinReducer::Input
{
public:
    explicit Input(const TallowinDocument &document)
        : m_document(&document)
    { }
    explicit Input(TallowinDocument &&document)
        : m_document(&document)
        , m_owned(&document)
    { }

    const TallowinDocument &operator*() const { return *m_document; }

    TallowinDocument take() const { return m_owned != nullptr ? std::move(*m_owned) : m_document->parallelCopy(); }

private:
    const TallowinDocument *m_document;
    TallowinDocument *m_owned = nullptr;
};

} // namespace tallowin
