// The texts of the Qt layer in the user's language. Every text is written
// in Japanese, exactly as the Japanese interface shows it, and is the key of
// its translation in sheet/korvex_en.ts; without a translation loaded
// (Japanese, the default) it is shown as written.
#pragma once

#include <QCoreApplication>
#include <QString>

namespace korvex {

// The one context every text of the viewer is translated in.
inline constexpr const char* kTranslationContext = "Korvex";

inline QString Tr(const char* japanese) { return QCoreApplication::translate(kTranslationContext, japanese); }

// Marks a text kept in a table for Tr() later, so the translation tools
// find it.
constexpr const char* TrNoop(const char* japanese) { return japanese; }

}  // namespace korvex
