#pragma once
#include "protocol/records.h"

#include <QString>
#include <QStringList>

// Text and number rules shared by every screen: how a text reads as a
// number, how replies are cut into records and fields, and the two number
// formats the screens show. Written once so that all screens agree.
namespace app {

// A text is numeric when it is, after blanks around it, an optional sign,
// digits with at most one decimal point, and an optional exponent.
bool is_numeric(const QString& text);

// The text read as a number; 0 (and *ok false) when it is not numeric.
double to_double(const QString& text, bool* ok = nullptr);
float to_single(const QString& text, bool* ok = nullptr);
// Read as a number and rounded halves to even; 0 when not numeric or out of range.
int to_int(const QString& text, bool* ok = nullptr);

double round_half_even(double value);

// ratio as "37.50%".
QString format_percent(double ratio);

// How replies are cut into records and fields is the protocol's rule.
using protocol::piece;
using protocol::records;
using protocol::split;

// Blanks (spaces only) removed at both ends.
QString trim(const QString& text);

}  // namespace app
