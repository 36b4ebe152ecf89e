#pragma once
// What the demo students wrote: for each subjective question of the demo
// exam, the printed question and answers of every quality, from a full
// worked answer to a blank. Which answer a student wrote follows from the
// student's ability and a little luck, so a teacher marking the demo meets
// full marks, half marks and nothing, and the score they give can be
// checked against the one the answer deserves.

#include <QString>
#include <QStringList>

#include <cstdint>
#include <string>

namespace velmora {

struct DemoAnswer {
    QString prompt;      // the question as printed on the sheet, with its full mark
    QStringList lines;   // what the student wrote; empty: left blank
    bool steps = false;  // worked steps, one a line; else one paragraph, wrapped where it meets the edge
    double deserved = 0; // the score a careful teacher gives: 0 .. full mark, in halves
    int height = 300;    // of the answer strip, 800 pixels wide
};

// The same arguments always give the same answer. `subject` is the demo
// subject id (语文 or 数学); a question the demo does not define borrows the
// nearest one by full mark, its score scaled to `full_mark`.
DemoAnswer demo_answer(std::int64_t subject, const std::string& kh, const std::string& th, double full_mark);

// 0 (weakest) .. 1 (strongest): the student's ability, the same in every
// subject; the writing hand is drawn from it too.
double demo_ability(const std::string& kh);

}  // namespace velmora
