// The login screen's three replies: school list, teacher list, login.
#include "fuzz_input.h"
#include "login/lookup_replies.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QString reply = fuzz::text(data, size);
    const login::SchoolReply schools = login::parse_school_reply(reply);
    FUZZ_CHECK(schools.records.size() <= login::school_list_rows);
    FUZZ_CHECK(!schools.noMatch || schools.records.isEmpty());
    const login::TeacherReply teachers = login::parse_teacher_reply(reply);
    FUZZ_CHECK(!teachers.noMatch || teachers.names.isEmpty());
    (void)login::parse_login_reply(reply);
    return 0;
}
