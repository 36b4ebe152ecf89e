#pragma once
#include <QList>
#include <QSet>
#include <QString>
#include <functional>

namespace marking {

// One buffer row as the prefetch sees it.
struct PrefetchRow {
    bool needsImage = false;  // its "downed" column reads as 0
    QString name;             // "<candidate>_<question>.gif"
    QString path;             // its cache file; empty when the name is unsafe
    bool scored = false;      // column 4 holds a score
};

// What one tick of Timer1 does.
struct PrefetchStep {
    QList<int> nowCached;     // 1-based rows whose image is in the cache already
    QStringList unsafeNames;  // names that can't be written: tell the teacher (once)
    int download = 0;         // the row to download now; 0 none
    bool waits = false;       // the channel is busy: try again on a later tick
    int scored = 0;           // scored rows the tick passed over
};

// Which answer image to fetch next: the first row still without its image,
// passing over names that can't be written and images that failed since the
// list was filled (asked for again every tick, an image the server lacks
// would hold up every row after it). A busy channel carries an automatic
// save or a worked answer's image, which a download would replace, so the
// tick waits instead.
class PrefetchChoice final {
public:
    // `cached` says whether a usable image file exists at a path.
    PrefetchStep next(const QList<PrefetchRow>& rows, bool channelBusy,
                      const std::function<bool(const QString&)>& cached) const;

    // Downloads that failed since the list was filled.
    void failed(const QString& path) { failed_.insert(path); }
    // The teacher waits for this one (or it arrived): ask again.
    void retry(const QString& path) { failed_.remove(path); }
    // A new batch asks for every missing image again.
    void clear() { failed_.clear(); }

private:
    QSet<QString> failed_;
};

}  // namespace marking
