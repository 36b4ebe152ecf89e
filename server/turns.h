#pragma once
// Turns at computing. Sixty-four pages at once on two cores spend their time
// being switched between, and the one that holds the writers' lock is put
// aside for tens of milliseconds while every teacher's save waits for it. So
// only a few pages compute at once and the others wait their turn, first
// come first served. A page gives its turn up while it waits for the disk
// and takes it back ahead of new pages. It keeps it while it waits for the
// writers' lock: then no more writers queue for the lock than there are
// turns, and the one holding it competes with few.
//
// A page that stores what a teacher keyed (a save) is let in ahead of the
// others: the teacher waits for its answer, while images are fetched ahead
// of need. Turns may be kept for saves: then a few long pages do not hold
// every turn while a save waits.
//
// The turn belongs to the thread: `Turn` takes one for the page the thread
// answers; `Turns::Aside` is where that page waits without one. A thread
// answering no page (seeding, the copying of the log) has none to give.

#include <condition_variable>
#include <deque>
#include <mutex>

namespace velmora {

class Turns {
public:
    // `for_saves` of the turns are kept for saves (and pages returning from
    // a wait): the others never take the last ones.
    Turns(int at_once, int for_saves);

    // The calling thread's turn for as long as this lives (nothing more
    // when it has one already).
    class Turn {
    public:
        enum Kind { Plain, Urgent };
        explicit Turn(Turns& turns, Kind kind = Plain);
        ~Turn();
        Turn(const Turn&) = delete;
        Turn& operator=(const Turn&) = delete;

    private:
        Turns* taken_ = nullptr;
    };

    // Gives the calling thread's turn up (if it has one) for as long as
    // this lives; takes it back ahead of the pages that have not started.
    class Aside {
    public:
        Aside();
        ~Aside();
        Aside(const Aside&) = delete;
        Aside& operator=(const Aside&) = delete;

    private:
        Turns* turns_;
    };

    int waiting();  // threads queued for a turn

private:
    struct Waiter {
        std::condition_variable cv;
        bool ready = false;
    };
    enum Queue { Returning, Keyed, Arriving };  // served in this order
    void take(Queue q);
    int kept(Queue q) const { return q == Arriving ? for_saves_ : 0; }  // free turns it must leave
    void give();

    const int for_saves_;
    std::mutex mu_;
    int free_;
    std::deque<Waiter*> queues_[3];
};

}  // namespace velmora
