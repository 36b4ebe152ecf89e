// The marking screen's replies: assignment, batch and its end, worked list,
// progress record, status text, saves and reports; and the error-page
// check every reply passes first.
#include "fuzz_input.h"
#include "marking/feedback.h"
#include "marking/progress.h"
#include "marking/saving.h"
#include "marking/work_assignment.h"
#include "net/page_errors.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QString reply = fuzz::text(data, size);
    const QStringList two = fuzz::two_texts(data, size);
    // Every reply is looked at as a possible error page first.
    (void)net::page_error_message(two.at(0), two.at(1));

    const marking::Assignment a = marking::parse_assignment(reply);
    (void)a.taskType();
    const marking::WorkEnd end = marking::parse_work_end(reply, two.at(1));
    (void)marking::work_end_status(end, a.taskType(), two.at(1));
    const marking::Batch batch = marking::parse_batch(end.rest);
    for (const QStringList& row : batch.rows)
        FUZZ_CHECK(row.size() == 12);
    for (const QStringList& row : marking::parse_worked(reply))
        FUZZ_CHECK(row.size() == 12);
    (void)marking::shown_score(two.at(0));

    (void)marking::list_zt(reply, two.at(0), two.at(1));
    (void)marking::status_reply_accepted(reply);
    (void)marking::status_reply_text(two.at(0), two.at(1));
    (void)marking::kept_message(reply);

    if (const auto ids = marking::mark_saved(reply)) {
        for (const QString& id : *ids)
            FUZZ_CHECK(!id.isEmpty());
    }
    (void)marking::saved_ids_in(reply);

    (void)marking::feedback_reply(reply);
    (void)marking::post_ok_reply(reply);
    return 0;
}
