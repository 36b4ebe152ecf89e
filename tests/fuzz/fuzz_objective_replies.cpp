// The objective sheet's reply (its regions, split into one item per
// question) and what the screen reads out of items: answer lists, scores,
// moved items, the option under a click.
#include "correction/objective_rules.h"
#include "fuzz_input.h"

#include <QPoint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 4)
        return 0;
    const int dx = static_cast<std::int8_t>(data[0]), dy = static_cast<std::int8_t>(data[1]);
    const QPoint click(data[2] * 8, data[3] * 8);
    const QStringList two = fuzz::two_texts(data + 4, size - 4);
    const QString& reply = two.at(0);

    const correction::BoxReply box = correction::read_box(reply);
    FUZZ_CHECK(box.minX >= 1 && box.minY >= 1);
    for (const QString& text : correction::items_of(box.item_str))
        (void)correction::parse_item(text);

    // The reply read as item text too, so the item readers see any text.
    const correction::AnswerTable answers = correction::answer_table(reply);
    const correction::AnswerTable standard = correction::answer_table(two.at(1));
    (void)correction::answer_string(answers, 5312);
    (void)correction::total_text(correction::sum_kgt_fs(reply, answers, standard));
    (void)correction::shift_items(reply, dx, dy, 3000, 3000);
    (void)correction::cell_at(reply, click);
    (void)correction::ckk_avg(reply);
    return 0;
}
