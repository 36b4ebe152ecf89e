#pragma once
#include <QDateTime>

namespace app {

// The time source of the screens; tests set the time instead of waiting.
class Clock {
public:
    virtual ~Clock() = default;
    virtual QDateTime now() const = 0;
};

class SystemClock final : public Clock {
public:
    QDateTime now() const override;
};

}  // namespace app
