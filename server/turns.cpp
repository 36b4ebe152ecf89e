#include "turns.h"

#include <algorithm>

namespace velmora {

namespace {
// The turns whose turn the thread holds now, or null.
thread_local Turns* t_holding = nullptr;
}  // namespace

Turns::Turns(int at_once, int for_saves)
    : for_saves_(std::clamp(for_saves, 0, std::max(1, at_once) - 1)), free_(std::max(1, at_once))
{
}

void Turns::take(Queue q)
{
    std::unique_lock lock(mu_);
    bool ahead = false;  // someone waits who comes first
    for (int i = 0; i <= q; ++i) ahead = ahead || !queues_[i].empty();
    if (free_ > kept(q) && !ahead) {
        --free_;
        return;
    }
    Waiter me;
    queues_[q].push_back(&me);
    me.cv.wait(lock, [&] { return me.ready; });
}

int Turns::waiting()
{
    std::lock_guard lock(mu_);
    size_t n = 0;
    for (const auto& queue : queues_) n += queue.size();
    return int(n);
}

void Turns::give()
{
    std::lock_guard lock(mu_);
    for (int q = Returning; q <= Arriving; ++q) {
        auto& queue = queues_[q];
        // The turn given back is free too: it may be the one kept for saves.
        if (queue.empty() || free_ + 1 <= kept(Queue(q))) continue;
        // Handed straight on: nobody slips in between.
        Waiter* w = queue.front();
        queue.pop_front();
        w->ready = true;
        w->cv.notify_one();
        return;
    }
    ++free_;
}

Turns::Turn::Turn(Turns& turns, Kind kind)
{
    if (t_holding) return;
    turns.take(kind == Urgent ? Queue::Keyed : Queue::Arriving);
    t_holding = taken_ = &turns;
}

Turns::Turn::~Turn()
{
    if (!taken_) return;
    taken_->give();
    t_holding = nullptr;
}

Turns::Aside::Aside() : turns_(t_holding)
{
    if (turns_) turns_->give();
    t_holding = nullptr;
}

Turns::Aside::~Aside()
{
    if (!turns_) return;
    turns_->take(Queue::Returning);
    t_holding = turns_;
}

}  // namespace velmora
