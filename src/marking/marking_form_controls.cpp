// The marking screen's controls and their arrangement. Names are the
// controls' objectNames; captions are the screen's own texts.
#include "marking/marking_form.h"

#include "ui/image_page_view.h"
#include "ui/status_box.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTableView>
#include <QVBoxLayout>

namespace marking {

namespace {

template <typename W>
W* named(W* w, const char* name)
{
    w->setObjectName(QString::fromLatin1(name));
    return w;
}

QGroupBox* group(QWidget* parent, const char* name, const QString& caption)
{
    auto* g = named(new QGroupBox(caption, parent), name);
    return g;
}

QTableView* answer_view(QWidget* parent, const char* name, AnswerListModel* model)
{
    auto* v = named(new QTableView(parent), name);
    v->setModel(model);
    v->setSelectionBehavior(QAbstractItemView::SelectRows);
    v->setSelectionMode(QAbstractItemView::SingleSelection);
    v->setEditTriggers(QAbstractItemView::NoEditTriggers);
    v->setShowGrid(true);
    v->verticalHeader()->hide();
    v->verticalHeader()->setDefaultSectionSize(22);
    v->horizontalHeader()->setHighlightSections(false);
    v->horizontalHeader()->setStretchLastSection(false);
    v->setWordWrap(false);
    return v;
}

}  // namespace

QWidget* MarkingForm::build_top_row()
{
    auto* row = new QWidget(this);
    auto* lay = new QHBoxLayout(row);
    lay->setContentsMargins(0, 0, 0, 0);
    lay->addWidget(named(new QLabel(QStringLiteral("批阅："), row), "Label1"));

    auto* selectors = new QWidget(row);
    selectorLayout_ = new QHBoxLayout(selectors);
    selectorLayout_->setContentsMargins(0, 0, 0, 0);
    selectorLayout_->setSpacing(4);
    auto* work0 = named(new QCheckBox(selectors), "Work_0");
    auto* workBJ0 = named(new QRadioButton(selectors), "WorkBJ_0");
    auto* st0 = named(new QLabel(selectors), "ST_TH_0");
    work_ << work0;
    workBJ_ << workBJ0;
    captions_ << st0;
    selectorLayout_->addWidget(work0);
    selectorLayout_->addWidget(workBJ0);
    selectorLayout_->addWidget(st0);
    connect(work0, &QCheckBox::clicked, this, [this] { Work_Click(0); });
    connect(workBJ0, &QRadioButton::clicked, this, [this] { WorkBJ_Click(0); });
    lay->addWidget(selectors);

    lay->addSpacing(10);
    progress1_ = named(new QProgressBar(row), "ProgressBar1");
    progress1_->setRange(1, 100);
    progress1_->setFixedWidth(200);
    progress1_->setTextVisible(false);
    lay->addWidget(progress1_);
    label5_ = named(new QLabel(QStringLiteral("工作进度"), row), "Label5");
    lay->addWidget(label5_);
    lay->addStretch(1);

    frame8_ = group(row, "Frame8", QStringLiteral("学科试题量"));
    auto* f8 = new QGridLayout(frame8_);
    label9_ = named(new QLabel(frame8_), "Label9");
    label10_ = named(new QLabel(frame8_), "Label10");
    auto* c5 = named(new QPushButton(QStringLiteral("×"), frame8_), "Command5");
    c5->setFixedSize(18, 18);
    c5->setToolTip(QStringLiteral("关闭"));
    f8->addWidget(label9_, 0, 0);
    f8->addWidget(label10_, 1, 0);
    f8->addWidget(c5, 0, 1, Qt::AlignTop);
    lay->addWidget(frame8_);

    frame7_ = group(row, "Frame7", QStringLiteral("阅卷任务情况"));
    auto* f7 = new QGridLayout(frame7_);
    label7_ = named(new QLabel(frame7_), "Label7");
    label8_ = named(new QLabel(frame7_), "Label8");
    auto* c6 = named(new QPushButton(QStringLiteral("×"), frame7_), "Command6");
    c6->setFixedSize(18, 18);
    c6->setToolTip(QStringLiteral("关闭"));
    f7->addWidget(label7_, 0, 0);
    f7->addWidget(label8_, 1, 0);
    f7->addWidget(c6, 0, 1, Qt::AlignTop);
    lay->addWidget(frame7_);

    frame6_ = group(row, "Frame6", QStringLiteral("试题显示比例"));
    auto* f6 = new QVBoxLayout(frame6_);
    slider1_ = named(new QSlider(Qt::Horizontal, frame6_), "Slider1");
    slider1_->setRange(1, 200);
    slider1_->setValue(100);
    slider1_->setFixedWidth(150);
    f6->addWidget(slider1_);
    lay->addWidget(frame6_);

    auto* frame9 = group(row, "Frame9", QStringLiteral("反馈"));
    auto* f9 = new QHBoxLayout(frame9);
    f9->addWidget(named(new QPushButton(QStringLiteral("异常试题"), frame9), "Command2"));
    f9->addWidget(named(new QPushButton(QStringLiteral("优秀解答"), frame9), "Command3"));
    lay->addWidget(frame9);
    return row;
}

QWidget* MarkingForm::build_left_column()
{
    auto* col = new QWidget(this);
    col->setFixedWidth(410);
    auto* lay = new QVBoxLayout(col);
    lay->setContentsMargins(0, 0, 0, 0);

    auto* frame3 = group(col, "Frame3", QStringLiteral("分数输入面板"));
    auto* f3 = new QGridLayout(frame3);
    f3->addWidget(named(new QLabel(QStringLiteral("本题得分"), frame3), "FS_label"), 0, 0, 1, 2);
    text1_ = named(new QLineEdit(frame3), "Text1");
    QFont big = text1_->font();
    big.setPointSize(16);
    text1_->setFont(big);
    f3->addWidget(text1_, 0, 2, 1, 2);
    f3->addWidget(named(new QPushButton(QStringLiteral("保存"), frame3), "Command1"), 0, 4);
    const QStringList pad{QStringLiteral("0"), QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3"),
                          QStringLiteral("4"), QStringLiteral("5"), QStringLiteral("6"), QStringLiteral("7"),
                          QStringLiteral("8"), QStringLiteral("9"), QStringLiteral("."), QStringLiteral("Enter"),
                          QStringLiteral("上一题"), QStringLiteral("下一题"), QStringLiteral("Back")};
    // A calculator's keypad: 7 8 9 on top, Back and Enter on the right,
    // the two moves below.
    struct Place { int row, col, rows, cols; };
    const Place place[15] = {{3, 0, 1, 1}, {2, 0, 1, 1}, {2, 1, 1, 1}, {2, 2, 1, 1}, {1, 0, 1, 1},
                             {1, 1, 1, 1}, {1, 2, 1, 1}, {0, 0, 1, 1}, {0, 1, 1, 1}, {0, 2, 1, 1},
                             {3, 1, 1, 2}, {2, 3, 2, 1}, {4, 0, 1, 2}, {4, 2, 1, 2}, {0, 3, 2, 1}};
    auto* padBox = new QWidget(frame3);
    auto* padLay = new QGridLayout(padBox);
    padLay->setContentsMargins(0, 0, 0, 0);
    padLay->setSpacing(3);
    for (int i = 0; i < 15; ++i) {
        auto* b = new QPushButton(pad.at(i), padBox);
        b->setObjectName(QStringLiteral("Number_%1").arg(i));
        b->setMinimumHeight(30);
        b->setFocusPolicy(Qt::NoFocus);
        if (place[i].rows > 1)
            b->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Expanding);
        padLay->addWidget(b, place[i].row, place[i].col, place[i].rows, place[i].cols);
    }
    f3->addWidget(padBox, 1, 0, 1, 5);
    lay->addWidget(frame3);

    auto* frame2 = group(col, "Frame2", QStringLiteral("分数输入控制"));
    auto* f2 = new QGridLayout(frame2);
    f2->addWidget(named(new QCheckBox(QStringLiteral("智能换题"), frame2), "Check1"), 0, 0);
    auto* check2 = named(new QCheckBox(QStringLiteral("小数点后自动补:"), frame2), "Check2");
    f2->addWidget(check2, 0, 1);
    auto* text3 = named(new QLineEdit(QStringLiteral("5"), frame2), "Text3");
    text3->setFixedWidth(36);
    f2->addWidget(text3, 0, 2);
    auto* option1 = named(new QRadioButton(QStringLiteral("整数分数"), frame2), "Option1");
    auto* option2 = named(new QRadioButton(QStringLiteral("小数分数小数位:"), frame2), "Option2");
    auto* options = new QButtonGroup(frame2);
    options->addButton(option1);
    options->addButton(option2);
    option2->setChecked(true);
    f2->addWidget(option1, 1, 0);
    f2->addWidget(option2, 1, 1);
    auto* text2 = named(new QLineEdit(QStringLiteral("1"), frame2), "Text2");
    text2->setFixedWidth(36);
    f2->addWidget(text2, 1, 2);
    lay->addWidget(frame2);

    frame1_ = group(col, "Frame1", QStringLiteral("当前缓存试题列表"));
    auto* f1 = new QVBoxLayout(frame1_);
    listView1_ = answer_view(frame1_, "ListView1", &buffer_);
    f1->addWidget(listView1_);
    lay->addWidget(frame1_, 1);
    return col;
}

QWidget* MarkingForm::build_bottom_row()
{
    auto* row = new QWidget(this);
    auto* lay = new QHBoxLayout(row);
    lay->setContentsMargins(0, 0, 0, 0);
    auto* frame13 = group(row, "Frame13", QStringLiteral("阅卷客户端"));
    auto* f13 = new QHBoxLayout(frame13);
    f13->setContentsMargins(6, 2, 6, 2);
    f13->addWidget(named(new QPushButton(QStringLiteral("阅卷客户端使用方法"), frame13), "Command7"));
    frame13->setFixedWidth(410);
    lay->addWidget(frame13);

    auto* frame12 = group(row, "Frame12", QStringLiteral("状态栏信息"));
    auto* f12 = new QHBoxLayout(frame12);
    f12->setContentsMargins(6, 2, 6, 2);
    zt_msg_ = named(new QLabel(QStringLiteral("状态栏"), frame12), "zt_msg");
    f12->addWidget(zt_msg_, 1);
    label3_ = named(new QLabel(frame12), "Label3");
    label3_->setStyleSheet(QStringLiteral("color: rgb(0,128,128);"));
    f12->addWidget(label3_);
    frame12->setMouseTracking(true);
    frame12->installEventFilter(this);
    lay->addWidget(frame12, 1);

    command4_ = named(new QPushButton(QStringLiteral("已批试题列表"), row), "Command4");
    command4_->setMouseTracking(true);
    command4_->installEventFilter(this);
    connect(command4_, &QPushButton::clicked, this, &MarkingForm::Command4_Click);
    lay->addWidget(command4_, 0, Qt::AlignBottom);
    return row;
}

void MarkingForm::build_controls()
{
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(6, 6, 6, 4);
    outer->addWidget(build_top_row());

    auto* middle = new QHBoxLayout;
    middle->addWidget(build_left_column());
    auto* center = new QVBoxLayout;
    auto* label2 = named(new QLabel(QStringLiteral("答题卡图片"), this), "Label2");
    center->addWidget(label2);
    view_ = new ui::ImagePageView(this);
    center->addWidget(view_, 1);
    label4_ = named(new QLabel(QStringLiteral("message"), this), "Label4");
    label4_->setStyleSheet(QStringLiteral("color: red;"));
    center->addWidget(label4_);
    middle->addLayout(center, 1);
    outer->addLayout(middle, 1);
    outer->addWidget(build_bottom_row());

    // Over the image view: the worked list, the fault panel, the tool tip.
    listView2_ = answer_view(this, "ListView2", &worked_);
    listView2_->setMouseTracking(true);
    listView2_->viewport()->setMouseTracking(true);
    listView2_->viewport()->installEventFilter(this);
    listView2_->horizontalHeader()->setMouseTracking(true);
    listView2_->horizontalHeader()->installEventFilter(this);
    listView2_->horizontalHeader()->setSectionsClickable(true);
    listView2_->resize(560, 400);
    listView2_->hide();

    frame11_ = named(new QFrame(this), "Frame11");
    frame11_->setStyleSheet(QStringLiteral("QFrame#Frame11 { background: rgb(192,192,192); }"));
    frame11_->resize(200, 120);
    frame11_->hide();
    frame10_ = group(this, "Frame10", QStringLiteral("反馈异常试题"));
    frame10_->setAutoFillBackground(true);
    auto* f10 = new QVBoxLayout(frame10_);
    f10->addWidget(named(new QRadioButton(QStringLiteral("试题图像错误"), frame10_), "Option3"));
    f10->addWidget(named(new QRadioButton(QStringLiteral("试题满分不正确"), frame10_), "Option4"));
    option5_ = named(new QRadioButton(QStringLiteral("重新下载本题图片"), frame10_), "Option5");
    f10->addWidget(option5_);
    connect(option5_, &QRadioButton::clicked, this, &MarkingForm::Option5_Click);
    frame10_->resize(190, 110);
    frame10_->hide();

    frame14_ = named(new QFrame(this), "Frame14");
    frame14_->setFrameShape(QFrame::Box);
    frame14_->setStyleSheet(QStringLiteral("QFrame#Frame14 { background: rgb(255,255,225); }"));
    frame14_->setMouseTracking(true);
    frame14_->installEventFilter(this);
    auto* f14 = new QVBoxLayout(frame14_);
    f14->setContentsMargins(4, 2, 4, 2);
    label11_ = named(new QLabel(QStringLiteral("双击，加入缓存"), frame14_), "Label11");
    f14->addWidget(label11_);
    frame14_->resize(200, 40);
    frame14_->hide();

    status_ = new ui::StatusBox(this, QStringLiteral("正在读取试题，请等待..."));
    // Moving over the screen itself hides the worked list's tool tip.
    setMouseTracking(true);
    installEventFilter(this);
    apply_widths();
}

void MarkingForm::apply_widths()
{
    // The buffer list's widths are in the twips of the frame it sits in;
    // at 13 to a pixel an eight-digit candidate number still fits. The
    // worked list's widths are pixels.
    for (int c = 1; c <= buffer_.columns(); ++c) {
        const int w = buffer_.width(c);
        listView1_->setColumnHidden(c - 1, w == 0);
        if (w > 0)
            listView1_->setColumnWidth(c - 1, (w + 6) / 13);
    }
    for (int c = 1; c <= worked_.columns(); ++c) {
        const int w = worked_.width(c);
        listView2_->setColumnHidden(c - 1, w == 0);
        if (w > 0)
            listView2_->setColumnWidth(c - 1, w);
    }
}

void MarkingForm::layout_overlays()
{
    if (!view_)
        return;
    const QRect v = view_->geometry();
    const int w = qMin(listView2_->width(), qMax(100, v.width()));
    listView2_->setGeometry(v.right() - w - 4, v.top(), w, v.height());
    frame10_->move(v.right() - frame10_->width() - 30, v.top() + 10);
    frame11_->move(v.right() - frame11_->width() - 20, v.top() + 20);
    frame11_->stackUnder(frame10_);
    // The view gets its real size only once the window is laid out; a box
    // put up before that moves with it.
    if (status_ && status_->isShown())
        status_->show_status(true, status_->text(), v);
}

}  // namespace marking
