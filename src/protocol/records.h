#pragma once
#include <QString>
#include <QStringList>

// Replies are records ended by ";" whose fields are separated by ",". The
// server writes them with field(); the client cuts them with the readers
// below. Writer and reader stand together so that whatever a field may hold
// can never split a record on the other side.
namespace protocol {

// Writing. A field of a record: the separators and what HTML would change
// ("," ";" "<" ">" "&") become their full-width forms, a line break a blank.
QString field(const QString& text);

// Reading. Split like the replies want it: an empty text has no pieces;
// otherwise every separator makes a piece, empty ones included.
QStringList split(const QString& text, const QString& sep);
// The records of a list that ends with its separator: every piece but the last.
QStringList records(const QString& text, const QString& sep = QStringLiteral(";"));
// Piece i of a list, or the empty text when the reply was short.
QString piece(const QStringList& pieces, qsizetype i);

// The client reads a reply as the page's inner HTML, where a name with "&"
// arrives as "&amp;". split_records cuts at ";" like split(text, ";"),
// except where the ";" closes a character entity: that one separates
// nothing. An empty text has no pieces.
QStringList split_records(const QString& html);
// The text an inner-HTML piece stands for: the entities a page view writes
// (&amp; &lt; &gt; &quot; &apos; &nbsp; and numeric ones) resolved; anything
// else is left as it is.
QString plain_text(const QString& html);

}  // namespace protocol
