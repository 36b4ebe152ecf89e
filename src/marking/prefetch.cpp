#include "marking/prefetch.h"

namespace marking {

PrefetchStep PrefetchChoice::next(const QList<PrefetchRow>& rows, bool channelBusy,
                                  const std::function<bool(const QString&)>& cached) const
{
    PrefetchStep step;
    for (int i = 0; i < rows.size(); ++i) {
        const PrefetchRow& row = rows.at(i);
        if (row.needsImage) {
            if (row.path.isEmpty()) {
                // Refused names are passed over so the rows after them still arrive.
                step.unsafeNames << row.name;
            } else if (cached(row.path)) {
                step.nowCached << i + 1;
            } else if (failed_.contains(row.path)) {
                // The teacher was told once; the rows after it go on.
            } else if (channelBusy) {
                step.waits = true;
                return step;
            } else {
                step.download = i + 1;
                return step;
            }
        }
        if (row.scored)
            ++step.scored;
    }
    return step;
}

}  // namespace marking
