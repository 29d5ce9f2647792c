#pragma once

#include <QList>
#include <QString>

namespace Zentovia {

// A word of a text: the characters between blanks, by position and length.
struct WordSpan
{
    int start = 0;
    int end = 0; // one past the last character
};

// The words of a text as the balloon shows them and the voice says them.
inline QList<WordSpan> wordSpans(const QString &text)
{
    QList<WordSpan> spans;
    const int n = int(text.size());
    int i = 0;
    while (i < n) {
        while (i < n && text.at(i).isSpace())
            ++i;
        if (i >= n)
            break;
        const int start = i;
        while (i < n && !text.at(i).isSpace())
            ++i;
        spans.append({ start, i });
    }
    return spans;
}

} // namespace Zentovia
