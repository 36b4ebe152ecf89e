// The exam-selection screen's replies: exam list and subject list.
#include "exams/exam_replies.h"
#include "fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QString reply = fuzz::text(data, size);
    const exams::ExamListReply list = exams::parse_exam_list(reply);
    for (const exams::ExamRecord& e : list.exams)
        FUZZ_CHECK(!e.id.trimmed().isEmpty());
    const exams::SubjectReply subjects = exams::parse_subject_list(reply);
    for (const exams::Subject& s : subjects.subjects)
        FUZZ_CHECK(s.id > 0);
    return 0;
}
