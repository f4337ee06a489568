/** @file widthfold.cpp @brief Folding full-width ASCII forms to their ASCII counterparts. */
#include "analysis/widthfold.h"

namespace {

constexpr ushort kFullWidthFirst = 0xFF01; // ！
constexpr ushort kFullWidthLast = 0xFF5E;  // ～
constexpr ushort kFullWidthOffset = 0xFF01 - 0x21;
constexpr ushort kIdeographicSpace = 0x3000;

bool isWide(ushort u)
{
    return (u >= kFullWidthFirst && u <= kFullWidthLast) || u == kIdeographicSpace;
}

} // namespace

QString foldWidth(const QString& text)
{
    int i = 0;
    while (i < text.size() && !isWide(text.at(i).unicode()))
        ++i;
    if (i == text.size())
        return text; // the usual case: nothing to fold, no copy
    QString folded = text;
    for (QChar* c = folded.data() + i; c != folded.data() + folded.size(); ++c) {
        const ushort u = c->unicode();
        if (u == kIdeographicSpace)
            *c = QLatin1Char(' ');
        else if (u >= kFullWidthFirst && u <= kFullWidthLast)
            *c = QChar(static_cast<ushort>(u - kFullWidthOffset));
    }
    return folded;
}
