#include "app/session.h"

namespace app {

Session& session()
{
    static Session s;
    return s;
}

void reset_session()
{
    session() = Session{};
}

}  // namespace app
