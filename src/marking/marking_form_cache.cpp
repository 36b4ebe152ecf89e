// The image cache of the marking screen: the prefetch tick, the download
// replies, showing cached answers and downloading one again.
#include "marking/marking_form.h"

#include "app/app_paths.h"
#include "app/dialogs.h"
#include "app/services.h"
#include "app/session.h"
#include "app/vbtext.h"
#include "marking/buffer_rules.h"
#include "net/base64_decode.h"
#include "net/page_channel.h"
#include "ui/image_page_view.h"
#include "ui/status_box.h"

#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QRadioButton>
#include <QTimer>
#include <utility>

namespace marking {

bool MarkingForm::make_cache_dirs()
{
    const app::Session& s = app::session();
    cache_ = ImageCache(services_.paths.programDir(), s.ks_id, s.KM_id);
    if (!cache_.valid()) {
        report_unsafe(s.ks_id);
        return false;
    }
    if (!cache_.make_cache_dirs()) {
        services_.dialogs.message(QStringLiteral("无法创建本地缓存文件夹：") + cache_.folder());
        return false;
    }
    return true;
}

void MarkingForm::report_unsafe(const QString& name)
{
    // Once per name: the prefetch tick meets the same row every half second.
    if (refusedNames_.contains(name))
        return;
    refusedNames_.insert(name);
    services_.dialogs.message(unsafe_name_message(name));
}

void MarkingForm::Timer1_Timer()
{
    MarkingState& st = state();
    const int n = buffer_.rows();
    if (n == 0)
        return;
    int scored = 0;
    for (int r = 1; r <= n; ++r) {
        if (app::to_double(buffer_.text(r, QStringLiteral("downed"))) == 0) {
            const QString kh = buffer_.text(r, QStringLiteral("考号"));
            const QString th = buffer_.text(r, QStringLiteral("题号"));
            const QString path = cache_.path_of(image_name(kh, th));
            if (path.isEmpty()) {
                // Refused names are passed over so the rows after them still arrive.
                if (cache_.valid())
                    report_unsafe(image_name(kh, th));
            } else if (img_file_ok(path)) {
                buffer_.setText(r, QStringLiteral("downed"), QStringLiteral("1"));
            } else if (failedImages_.contains(path)) {
                // Asked for again every tick, an image the server lacks
                // would hold up every row after it and raise its message
                // twice a second; the teacher was told once.
            } else if (web3_->busy()) {
                // The prefetch stops itself while its own download is out, so
                // what the channel carries now is an automatic save or a
                // worked answer's image: a download would replace it, so this
                // one waits for a later tick.
                break;
            } else {
                const app::Session& s = app::session();
                timer1_->stop();
                st.down_cj_id = app::to_int(buffer_.text(r, QStringLiteral("cj_id")));
                st.down_th = th;
                label3_->setText(QStringLiteral("正在从服务器缓存试题图片....."));
                web3_->navigate(s.Server_URL + QStringLiteral("cj/net_down_st.asp?xx_id=")
                                + buffer_.text(r, QStringLiteral("xx_id")) + QStringLiteral("&ks_id=") + s.ks_id
                                + QStringLiteral("&km_id=") + QString::number(s.KM_id) + QStringLiteral("&img_txt=")
                                + server_ref(buffer_.text(r, QStringLiteral("BJ_ID")), kh, th));
                break;
            }
        }
        if (!buffer_.text(r, QStringLiteral("得分")).isEmpty())
            ++scored;
    }
    label8_->setText(done_label(label8_->text(), st.done_count + scored));

    if (!(app::session().D_HELP && st.help_on_top)) {
        const int check = st.th_bj.contains(u',') ? 2 : 1;
        if (check <= buffer_.rows() && app::to_double(buffer_.text(check, QStringLiteral("downed"))) == 1
            && st.cur_row == 0) {
            st.cur_row = 1;
            open_cur_row();
            // A report names the selected row; after a refill none is, so
            // the answer opened here would be reported by no button.
            if (group_at(buffer_, 1, st.th_bj).complete)
                select_buffer_row(1);
        }
    }
}

void MarkingForm::save_down_st(const QString& reply)
{
    const MarkingState& st = state();
    const ImageReply img = parse_image_reply(reply);
    int row = 0;
    for (int r = 1; r <= buffer_.rows() && row == 0; ++r) {
        if (app::to_int(buffer_.text(r, QStringLiteral("cj_id"))) == st.down_cj_id
            && buffer_.text(r, QStringLiteral("题号")) == st.down_th)
            row = r;
    }
    if (row > 0) {
        const QString path = row_image_path(buffer_, row);
        if (!path.isEmpty()) {
            if (QFileInfo::exists(path))
                QFile::remove(path);
            if (img.notFound) {
                failedImages_.insert(path);
                services_.dialogs.message(not_found_message(img.data));
            } else if (net::base64_decode(img.data, path)) {
                failedImages_.remove(path);
                buffer_.setText(row, QStringLiteral("downed"), QStringLiteral("1"));
            } else {
                failedImages_.insert(path);
                services_.dialogs.message(QStringLiteral("生成本地文件：") + path + QStringLiteral(" 出错！"));
            }
        }
    }
    timer1_->start();
}

void MarkingForm::save_down_sted(const QString& reply)
{
    // The file of the worked answer that was asked for, not whatever is on
    // screen now: a buffer answer opened while the download was out would
    // otherwise get this image written under its own name.
    const QString target = std::exchange(workedTarget_, QString());
    const ImageReply img = parse_image_reply(reply);
    // The target is a cache path built from a checked name (worked-list
    // click); anything else is not ours to write.
    const bool ours = !target.isEmpty() && cache_.valid() && QFileInfo(target).absolutePath() == QFileInfo(cache_.folder()).absoluteFilePath()
                   && app::is_safe_file_name(QFileInfo(target).fileName());
    if (img.notFound) {
        services_.dialogs.message(not_found_message(img.data));
    } else if (ours && net::base64_decode(img.data, target)) {
        if (state().shown_files == target)
            view_->showImages({target});
    } else {
        services_.dialogs.message(QStringLiteral("生成本地文件：") + target + QStringLiteral(" 出错！"));
    }
    timer1_->start();
}

void MarkingForm::down_load_st(const QString& refs)
{
    if (!refs.endsWith(QLatin1String(".txt")))
        return;
    const QStringList list = refs.contains(u',') ? refs.split(u',') : QStringList{refs};
    QStringList paths;
    for (const QString& ref : list) {
        const QString name = image_name_of_ref(ref);
        const QString path = cache_.path_of(name);
        if (path.isEmpty()) {
            report_unsafe(name);
            return;
        }
        paths << path;
    }
    if (paths.size() == 1) {
        if (img_file_ok(paths.first()))
            show_images(paths.first());
        else
            set_downed(paths.first(), QStringLiteral("0"));
    } else {
        for (const QString& p : paths) {
            if (!img_file_ok(p))
                set_downed(p, QStringLiteral("0"));
        }
        show_images(paths.join(u','));
    }
    frame6_->show();
}

void MarkingForm::show_images(const QString& paths)
{
    state().shown_files = paths;
    const QStringList list = paths.split(u',');
    if (QFileInfo::exists(list.first()))
        view_->showImages(list);
    show_status(false, QString());
}

void MarkingForm::set_downed(const QString& path, const QString& value)
{
    if (!path.contains(u'/'))
        return;
    const QString name = QFileInfo(path).fileName();
    for (int r = 1; r <= buffer_.rows(); ++r) {
        if (image_name(buffer_.text(r, QStringLiteral("考号")), buffer_.text(r, QStringLiteral("题号"))) == name)
            buffer_.setText(r, QStringLiteral("downed"), value);
    }
}

void MarkingForm::Option5_Click()
{
    MarkingState& st = state();
    const int row = st.cur_row;
    if (row >= 1 && row <= buffer_.rows()) {
        const QString path = row_image_path(buffer_, row);
        if (!path.isEmpty() && QFileInfo::exists(path))
            QFile::remove(path);
        failedImages_.remove(path);
    }
    option5_->setAutoExclusive(false);
    option5_->setChecked(false);
    option5_->setAutoExclusive(true);
    buffer_.setText(row, QStringLiteral("downed"), QStringLiteral("0"));
    frame10_->hide();
    frame11_->hide();
    services_.dialogs.message(QStringLiteral("此道试题已经重新下载，请点击左侧《当前缓冲试题列表》中第 ") + QString::number(row)
                              + QStringLiteral(" 行，刷新......"));
}

}  // namespace marking
