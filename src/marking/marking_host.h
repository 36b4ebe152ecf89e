#pragma once
#include "marking/answer_list_model.h"
#include "marking/image_cache.h"
#include "marking/marking_state.h"

#include <QString>

namespace app { struct Services; }
namespace net { class PageChannel; }
namespace ui { class ImagePageView; }

namespace marking {

// What the rooms of the marking screen share: the services, the screen's
// state, the two answer lists, the image cache and the request channels.
// The form owns it; every room holds a reference.
struct MarkingContext {
    MarkingContext(app::Services& services_, MarkingState& state_) : services(services_), state(state_) {}
    app::Services& services;
    MarkingState& state;
    AnswerListModel buffer{ListKind::Buffer};
    AnswerListModel worked{ListKind::Worked};
    ImageCache cache;
    net::PageChannel* web1 = nullptr;  // requests
    net::PageChannel* web3 = nullptr;  // image downloads and the automatic save
    ui::ImagePageView* view = nullptr; // the answer images (WebBrowser2)
};

// What a room asks of the screen when it needs another room: the rooms
// never call each other, the form (which implements this) joins them.
class MarkingHost {
public:
    virtual ~MarkingHost() = default;

    // The status box over the image view.
    virtual void show_status(bool show, const QString& text) = 0;
    // The activity text in the status bar (Label3).
    virtual void setActivity(const QString& text) = 0;

    // The buffer list: select a row, open the answer (group) of cur_row.
    virtual void select_buffer_row(int row) = 0;
    virtual int selectedBufferRow() const = 0;  // 0 when none
    virtual void open_cur_row() = 0;
    // Is the answer of this buffer row the one on screen?
    virtual bool answerShown(int row) const = 0;
    // An answer was opened: its zoom (Frame6) is offered.
    virtual void showZoom() = 0;

    // Requests of a batch of the selection, and of the worked list.
    virtual void request_batch() = 0;
    virtual void request_worked() = 0;

    // Score entry and saving.
    virtual void clear_score_box() = 0;
    virtual void storeScore(int row, const QString& score, bool markUnsaved) = 0;
    virtual void journalRow(int row) = 0;
    virtual void save_scores() = 0;
    virtual void auto_save() = 0;
    virtual void show_progress() = 0;
    // The prefetch counted the scored rows of the batch.
    virtual void showDoneCount(int scoredRows) = 0;
};

}  // namespace marking
