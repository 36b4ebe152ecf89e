// The buffer list (the batch to mark) and the worked list (answers marked
// before): filling, opening rows, re-scoring, sorting and the tool tip.
#include "marking/marking_form.h"

#include "app/dialogs.h"
#include "app/services.h"
#include "app/session.h"
#include "app/vbtext.h"
#include "marking/buffer_rules.h"
#include "marking/work_assignment.h"
#include "net/page_channel.h"
#include "ui/image_page_view.h"

#include <QFrame>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QTableView>
#include <QTimer>

namespace marking {

void MarkingForm::fill_buffer_list(const QString& reply)
{
    MarkingState& st = state();
    st.cur_row = 0;
    failedImages_.clear();  // a new batch asks for every missing image again
    buffer_.setColumns(AnswerListModel::bufferHeaderText(), AnswerListModel::bufferWidths());
    const Batch batch = parse_batch(reply);
    if (batch.hasProgress) {
        list_zt(batch.progress);
        st.work_count = app::to_int(app::piece(batch.progress.split(u','), 1));
    }
    if (!batch.rows.isEmpty()) {
        for (const QStringList& row : batch.rows)
            buffer_.appendRow(row);
        if (st.hide_name == 1)
            buffer_.setWidth(5, 0);
        timer1_->start();
    }
    if (!listView2_->isHidden())
        request_worked();
}

void MarkingForm::fill_worked_list(const QString& reply)
{
    worked_.setColumns(AnswerListModel::workedHeaderText(), AnswerListModel::workedWidths());
    const QList<QStringList> rows = parse_worked(reply);
    for (const QStringList& row : rows)
        worked_.appendRow(row);
    if (state().hide_name == 1)
        worked_.setWidth(6, 0);
}

void MarkingForm::select_buffer_row(int row)
{
    if (row < 1 || row > buffer_.rows())
        return;
    listView1_->selectionModel()->setCurrentIndex(buffer_.index(row - 1, 0),
                                                  QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

void MarkingForm::ListView1_ItemClick(int row)
{
    MarkingState& st = state();
    if (row < 1 || row > buffer_.rows())
        return;
    const AnswerGroup g = group_for_click(buffer_, row, st.th_bj);
    if (!g.complete) {
        // No complete group around this row: nothing opens, and the list
        // goes back to the answer still on screen, the one a report names.
        if (st.cur_row >= 1 && st.cur_row <= buffer_.rows())
            select_buffer_row(st.cur_row);
        else
            listView1_->selectionModel()->clear();
        return;
    }
    st.cur_row = g.first;
    select_buffer_row(g.first);
    st.cur_gif = g.names.join(u',');
    if (app::to_double(buffer_.text(st.cur_row, QStringLiteral("downed"))) != 0) {
        down_load_st(g.refs.join(u','));
        // The box holds the score of the row being marked: with a group
        // that is its first row, not the clicked one, whose score the
        // change handling would otherwise store on the first row.
        text1_->setText(buffer_.text(st.cur_row, QStringLiteral("得分")));
        st.help_on_top = false;
    } else {
        services_.dialogs.message(QStringLiteral("当前试题没有下载！请等待......\r\r若较长时间没有完成，请检查网络是否正常？"));
        // The teacher waits for this answer: one whose download failed is asked for again.
        for (const QString& name : g.names)
            failedImages_.remove(cache_.path_of(name));
        timer1_->start();
    }
}

void MarkingForm::ListView1_KeyUp()
{
    const QModelIndex i = listView1_->currentIndex();
    if (i.isValid())
        ListView1_ItemClick(i.row() + 1);
}

void MarkingForm::open_cur_row()
{
    MarkingState& st = state();
    const AnswerGroup g = group_at(buffer_, st.cur_row, st.th_bj);
    if (!g.complete)
        return;
    st.cur_gif = g.names.join(u',');
    down_load_st(g.refs.join(u','));
}

QString MarkingForm::row_image_path(const AnswerListModel& list, int row)
{
    const QString name = image_name(list.text(row, QStringLiteral("考号")), list.text(row, QStringLiteral("题号")));
    const QString path = cache_.path_of(name);
    if (path.isEmpty())
        report_unsafe(name);
    return path;
}

void MarkingForm::ListView2_ItemClick(int row)
{
    if (row < 1 || row > worked_.rows())
        return;
    const QString path = row_image_path(worked_, row);
    if (path.isEmpty())
        return;
    MarkingState& st = state();
    st.shown_files = path;
    if (img_file_ok(path)) {
        view_->showImages({path});
        return;
    }
    const app::Session& s = app::session();
    timer1_->stop();
    workedTarget_ = path;
    label3_->setText(QStringLiteral("正在从服务器下载试题图片....."));
    web3_->navigate(s.Server_URL + QStringLiteral("cj/net_down_sted.asp?xx_id=") + worked_.text(row, QStringLiteral("XX_ID"))
                    + QStringLiteral("&ks_id=") + s.ks_id + QStringLiteral("&km_id=") + QString::number(s.KM_id)
                    + QStringLiteral("&img_txt=")
                    + server_ref(worked_.text(row, QStringLiteral("BJ_ID")), worked_.text(row, QStringLiteral("考号")),
                                 worked_.text(row, QStringLiteral("题号"))));
}

void MarkingForm::ListView2_DblClick()
{
    if (worked_.rows() == 0)
        return;
    const QModelIndex sel = listView2_->currentIndex();
    const int src = sel.isValid() ? app::to_int(worked_.text(sel.row() + 1, QStringLiteral("行号"))) : 0;
    if (src < 1 || src > worked_.rows()) {
        services_.dialogs.message(QStringLiteral("Error on ListView2_DblClick() !"));
        return;
    }
    const QString cj = worked_.text(src, QStringLiteral("CJ_ID"));
    const QString th = worked_.text(src, QStringLiteral("题号"));
    for (int r = 1; r <= buffer_.rows(); ++r) {
        if (buffer_.text(r, QStringLiteral("cj_id")) == cj && buffer_.text(r, QStringLiteral("题号")) == th) {
            services_.dialogs.message(QStringLiteral("此试题在《缓冲试题列表》已经存在！"));
            return;
        }
    }
    auto w = [&](const char* h) { return worked_.text(src, QString::fromUtf8(h)); };
    // 行号,题号,满分,得分,姓名,考号,work_id,flag,cj_id,downed,xx_id,BJ_ID
    buffer_.appendRow({QString::number(buffer_.rows() + 1), w("题号"), w("满分"), w("得分"), w("姓名"), w("考号"),
                       w("Work_id"), QStringLiteral("1"), cj, QStringLiteral("0"), w("XX_ID"), w("BJ_ID")});
    select_buffer_row(buffer_.rows());
}

void MarkingForm::ListView2_ColumnClick(int column)
{
    const int k = column - 1;
    if (k <= 0 || column > worked_.columns())
        return;
    // The list starts ascending, so the first click sorts descending.
    workedDescending_ = !workedDescending_;
    // Candidate numbers sort in number order without being rewritten: a
    // zero-padded "00100" names no image on the server, and re-scoring
    // copies the candidate number into the buffer list.
    worked_.sortByColumn(column, workedDescending_, k == 4 && state().hide_name == 0);
    for (int r = 1; r <= worked_.rows(); ++r)
        worked_.setText(r, 1, QString::number(r));
}

void MarkingForm::ListView2_MouseMove(const QPoint& pos)
{
    const QPoint at = listView2_->pos() + QPoint(pos.x(), pos.y() + 25);
    const bool belowHeaders = pos.y() >= listView2_->horizontalHeader()->height();
    if (belowHeaders) {
        frame14_->resize(frame14_->width(), 60);
        label11_->setText(QStringLiteral("双击，加入缓存试题列表，\n便可以修改本题得分..."));
    } else {
        frame14_->resize(frame14_->width(), 40);
        label11_->setText(QStringLiteral("点击，按此列排序..."));
    }
    frame14_->move(at);
    frame14_->show();
    frame14_->raise();
}

void MarkingForm::hide_tool_tip()
{
    frame14_->hide();
}

void MarkingForm::Command4_Click()
{
    if (!listView2_->isHidden()) {
        listView2_->hide();
        hide_tool_tip();
        return;
    }
    layout_overlays();
    listView2_->show();
    listView2_->raise();
    request_worked();
}

}  // namespace marking
