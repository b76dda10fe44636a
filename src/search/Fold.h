#pragma once

#include <QString>
#include <QStringList>

#include <vector>

// The one form in which notes and queries are compared: full case folding, compatibility decomposition, combining
// marks dropped, then composed again (so that Hangul syllables stay whole). "É" and "e", "ß" and "ss", "Й" and "и"
// fold alike. The text is folded piece by piece: a character with the combining marks that follow it is one piece,
// so that every folded character can be traced back to the place of the text it came from.
//
// origins, when given, receives for every folded UTF-16 unit the index in text where its piece starts, followed by
// one last entry, text.size().
QString foldForSearch(const QString& text, std::vector<qsizetype>* origins = nullptr);

// The words of a query, folded; blanks (after folding) separate them.
QStringList searchWords(const QString& query);

// The number of characters (code points) of a folded word: words shorter than three match descriptions and
// categories only.
qsizetype characterCount(const QString& word);
