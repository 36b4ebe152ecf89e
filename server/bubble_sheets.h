#pragma once
// The objective part of a scanned answer sheet: blocks of printed option
// boxes ("[A] [B] [C] [D]") filled in with pencil, as a scanner delivers
// them. The server defines a subject's blocks in full-sheet pixels and
// serves each student's sheet cut from a corner 50 pixels left of and 40
// above the blocks, so a block's coordinates minus that corner fall on the
// boxes in the served picture.
//
// Demo sheets are drawn from the answers recorded for the student, the way
// the student might have marked them: mostly firm pencil fills, sometimes a
// light or half-done fill, now and then an answer rubbed out leaving a
// smudge; on grey, slightly uneven paper with scanner noise, some sheets
// shifted or turned a little on the glass. The same student always gets
// the same sheet.

#include "kgt_answers.h"

#include <QImage>
#include <QPoint>
#include <QRect>

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace velmora {

class Db;

// One block of option boxes, full-sheet pixels.
struct SheetRegion {
    std::string kind;                  // DAXT one answer; DXDX, DUXT several
    int x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    int layout = 0;                    // 0: a question per row, options side by side;
                                       // else a question per column, options stacked
    std::vector<std::string> numbers;  // question numbers in layout order
    std::string options;               // "ABCD"
    std::vector<double> full, partial; // per question, in `numbers`' order
};

// The subject's blocks in their order, each with its questions' kind,
// options and marks. Empty when the subject has none.
std::vector<SheetRegion> load_sheet_regions(Db& db, std::int64_t subject);

// Where the served sheet is cut from: 50 left of and 40 above the leftmost
// and topmost block, each at least 1.
QPoint sheet_crop_corner(const std::vector<SheetRegion>& regions);

// One option box as the client reads it: the cell its rules cut from the
// block (question k of q along the layout, option i of n across), in the
// served picture's pixels.
struct OptionCell {
    std::string number;
    char letter = 0;
    QRect rect;
};
std::vector<OptionCell> option_cells(const std::vector<SheetRegion>& regions);

// How a student left one option box.
enum class Mark {
    None,
    Firm,    // filled with a steady hand
    Light,   // filled faintly (a hard pencil, little pressure)
    Half,    // only partly filled
    Double,  // a second answer marked where one was asked
    Erased,  // filled, then rubbed out: a smudge remains
};

struct SheetPlan {
    std::map<std::string, std::map<char, Mark>> marks;  // number -> letter -> mark
    QPointF shift;       // where the sheet lay on the scanner glass, pixels
    double turn = 0;     // degrees
    int pencil = 80;     // grey of this student's pencil
    // Boxes marked otherwise than firmly or left clean: the recognition
    // may read them differently from what was recorded, and rightly so.
    std::vector<std::string> hard_questions;
};

// The marks of one student's sheet, from the answers recorded for them
// (`answers`, number -> letters), seeded by `seed` (subject and student).
SheetPlan plan_sheet(const std::string& seed, const std::vector<SheetRegion>& regions, const kgt::Answers& answers);

// The served picture: the sheet cut from sheet_crop_corner. Without a plan
// the clean printed form on even paper (what blank_cell_brightness reads).
QImage render_sheet(const std::vector<SheetRegion>& regions, const SheetPlan* plan, const std::string& seed);
std::string sheet_jpeg(const QImage& sheet);

// The client's brightness of one cell (the mark recognition's rule): over
// the pixels from (x+m, y+m) to (x+w-m, y+h-m) inclusive, a row r read one
// line above it, each pixel's whole grey (0.11 B + 0.59 G + 0.30 R) plus
// one, summed and divided by (w-2m)(h-2m).
int cell_grey(const QImage& picture, const QRect& cell, int margin);

// The reference brightness of the subject's sheets: for each block, the
// average cell_grey of its option cells on the clean form (printed boxes,
// no pencil). An unmarked box reads about this.
std::vector<int> blank_cell_brightness(const std::vector<SheetRegion>& regions);

// The student's sheet as JPEG bytes, drawn from the answers first recorded
// for them. The same inputs always give the same picture.
std::string render_sheet_jpeg(std::int64_t subject, const std::string& kh, const std::vector<SheetRegion>& regions,
                              const kgt::Answers& answers);

}  // namespace velmora
