#pragma once
#include <QString>
#include <QStringList>

// Replies are read as the page's inner HTML, so a name with "&" arrives as
// "&amp;". These helpers cut such a reply and give the names back as text.
namespace net {

// Splits at ";" like a plain split, except where the ";" closes a character
// entity: the one of "&amp;" separates no records. An empty text has no
// pieces.
QStringList split_outside_entities(const QString& text);

// The text an inner-HTML piece stands for: the entities a page view writes
// (&amp; &lt; &gt; &quot; &apos; &nbsp; and numeric ones) resolved; anything
// else is left as it is.
QString plain_text(const QString& html);

}  // namespace net
