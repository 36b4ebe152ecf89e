#include "answer_content.h"

#include "demo_data.h"

#include <QRandomGenerator>

#include <algorithm>
#include <cmath>
#include <vector>

namespace velmora {

namespace {

// 语文: a reading passage about a grandfather and his rice fields. Each
// question is scored by points; a point is written well (its marks), half
// right (half its marks, in halves, rounded down) or wrong or missing (0).
struct Point {
    double marks;
    const char* good;
    const char* partial;
    const char* wrong;  // empty: the student leaves the point out
};

// A question as printed on the sheet, with what its answers are made of.
template <typename Part>
struct Question {
    const char* number;
    double full;
    int height;
    const char* prompt;
    std::vector<Part> parts;
};
using ReadingQuestion = Question<Point>;

const std::vector<ReadingQuestion> kReading = {
    {"13", 4, 250, "13. 用简洁的语言概括选文的主要内容。（4分）",
     {{2, "选文回忆了“我”童年时跟着祖父在稻田里插秧、收稻的往事，", "写了“我”小时候和祖父在田里干活，",
       "写了稻子很香，"},
      {2, "表达了作者对祖父的深切怀念。", "表达了作者的感情。", "告诉我们要好好学习。"}}},
    {"14", 6, 280, "14. 第③段画线句运用了什么修辞手法？有什么表达效果？（6分）",
     {{2, "运用了比喻的修辞手法，", "用了修辞，", "运用了排比的修辞手法，"},
      {2, "把成熟的稻田比作金色的海洋，生动形象地写出了稻子丰收的壮观景象，", "写出了稻田很美，", "写得很好，"},
      {2, "表达了祖父和“我”丰收的喜悦。", "表达了作者的心情。", ""}}},
    {"15", 7.5, 320, "15. 结合全文，分析祖父是一个怎样的人。（7.5分）",
     {{2.5, "祖父勤劳朴实，天不亮就下田插秧，一干就是一整天；", "祖父很勤劳；", "祖父很严厉；"},
      {2.5, "他慈爱宽厚，总把最大的红薯留给“我”，还耐心地教“我”认稻种；", "祖父对“我”很好；", "祖父脾气不好；"},
      {2.5, "他乐观豁达，遇到旱灾也笑着说“明年会更好”。", "祖父很乐观。", ""}}},
    {"16", 10, 360, "16. 文章以“稻香”为题有什么好处？请简要分析。（10分）",
     {{3, "①“稻香”是贯穿全文的线索，串起了“我”与祖父在田间的往事；", "①稻香是线索；", "①题目很好听；"},
      {3, "②稻香寄托了作者对祖父和故乡的思念，感情含蓄深沉；", "②表达了作者的感情；", ""},
      {2, "③题目新颖，点明了文章的主要内容，", "③点题，", ""},
      {2, "能引发读者的阅读兴趣。", "吸引读者。", ""}}},
    {"17", 15, 460, "17. 读了选文，你对“劳动”有什么新的认识？请联系生活写一段话，不少于80字。（15分）",
     {{4, "读了选文，我认识到劳动不仅能创造财富，更能磨炼人的意志。", "我觉得劳动很重要。", "劳动很累。"},
      {4, "去年暑假，我跟着外婆去菜园摘豆角，烈日下才干了一会儿就汗流浃背，这才真正懂得了“粒粒皆辛苦”。",
       "我在家也帮妈妈做过家务，", ""},
      {4, "从那以后，我吃饭再也不剩一粒米，还主动承担了扫地、洗碗等家务。", "以后我要多劳动。", ""},
      {3, "劳动让我学会了珍惜，也让我更加理解长辈的辛劳。", "劳动使人快乐。", ""}}},
};

// 数学: worked answers, from the full solution down to a wrong start; the
// first whose quality the answer reaches is written. In the written
// lines "^2" is a raised 2 and "_1" a lowered 1.
struct Worked {
    double min_quality;
    double score;
    std::vector<const char*> lines;
};

using MathQuestion = Question<Worked>;

const std::vector<MathQuestion> kMath = {
    {"9", 2, 200, "9. 计算：(-2)^2 + |-3| - √9 .（2分）",
     {{0.45, 2, {"解：原式 = 4 + 3 - 3", "= 4"}},
      {0.25, 1, {"原式 = 4 + 3 + 3", "= 10"}},
      {0.1, 0, {"原式 = -4 + 3 - 3 = -4"}}}},
    {"10", 5, 280, "10. 解方程：3x - 7 = 2(x + 1) .（5分）",
     {{0.8, 5, {"解：去括号，得 3x - 7 = 2x + 2", "移项，得 3x - 2x = 2 + 7", "合并同类项，得 x = 9"}},
      {0.62, 5, {"解：3x - 7 = 2x + 2", "3x - 2x = 2 + 7", "x = 9"}},
      {0.35, 2, {"解：3x - 7 = 2x + 2", "3x - 2x = 2 - 7", "x = -5"}},
      {0.18, 1, {"解：3x - 7 = 2x + 1", "x = 8"}},
      {0.08, 0, {"x = 3"}}}},
    {"11", 8, 320, "11. 解方程组：2x + y = 7 ①，x - y = 2 ② .（8分）",
     {{0.7, 8,
       {"解：① + ②，得 3x = 9", "解得 x = 3", "把 x = 3 代入②，得 3 - y = 2", "解得 y = 1",
        "所以原方程组的解是 x = 3，y = 1"}},
      {0.5, 6, {"解：① + ②，得 3x = 9", "x = 3", "代入②得 y = 1"}},
      {0.32, 4, {"解：① + ②，得 3x = 9", "x = 3", "把 x = 3 代入②，得 3 - y = 2", "y = -1"}},
      {0.15, 1, {"解：① - ②，得 x = 5", "代入①得 y = -3"}},
      {0.06, 0, {"x = 2，y = 3"}}}},
    {"12", 12, 400,
     "12. 已知二次函数 y = x^2 - 4x + 3 .（1）求它的顶点坐标；（2）求它的图象与 x 轴的交点坐标 .（12分）",
     {{0.72, 12,
       {"解：（1）y = x^2 - 4x + 4 - 1 = (x - 2)^2 - 1", "所以顶点坐标是 (2，-1)", "（2）令 y = 0，得 x^2 - 4x + 3 = 0",
        "(x - 1)(x - 3) = 0", "x_1 = 1，x_2 = 3", "所以交点坐标是 (1，0)，(3，0)"}},
      {0.55, 10,
       {"解：（1）y = (x - 2)^2 - 1", "顶点坐标 (2，-1)", "（2）x^2 - 4x + 3 = 0", "(x - 1)(x - 3) = 0",
        "x_1 = 1，x_2 = 3"}},
      {0.38, 7,
       {"解：（1）y = (x - 2)^2 - 1", "顶点 (2，-1)", "（2）(x + 1)(x + 3) = 0", "x_1 = -1，x_2 = -3",
        "交点 (-1，0)，(-3，0)"}},
      {0.2, 2, {"解：（1）y = (x - 2)^2 + 3", "顶点 (2，3)"}},
      {0.06, 0, {"（1）顶点 (4，3)"}}}},
    {"13", 14, 440,
     "13. 在 Rt△ABC 中，∠C = 90°，AC = 6，BC = 8 .（1）求 AB 的长；（2）求 sinA 的值；（3）求斜边 AB 上的高 CD .（14分）",
     {{0.75, 14,
       {"解：（1）在 Rt△ABC 中，∠C = 90°，", "AB = √(AC^2 + BC^2) = √(36 + 64) = 10", "（2）sinA = BC / AB = 8/10 = 4/5",
        "（3）S = 1/2 × AC × BC = 1/2 × AB × CD", "所以 CD = 6 × 8 ÷ 10 = 4.8"}},
      {0.55, 9,
       {"解：（1）AB = √(6^2 + 8^2) = 10", "（2）sinA = 8/10 = 4/5", "（3）CD = 6 × 8 ÷ 2 = 24"}},
      {0.38, 5, {"解：（1）AB = √(36 + 64) = 10", "（2）sinA = AC / AB = 6/10 = 3/5"}},
      {0.18, 2, {"解：（1）AB = 6 + 8 = 14", "（2）sinA = 8/14 = 4/7"}},
      {0.06, 0, {"AB = 14"}}}},
};

quint32 seed_of(const std::string& text)
{
    return quint32(qHash(QByteArray::fromStdString(text)));
}

// The printed question under the number asked for, when it is borrowed.
QString printed(const char* prompt, const char* number, const std::string& th)
{
    const QString p = QString::fromUtf8(prompt);
    return th == number ? p : QString::fromStdString(th) + p.mid(p.indexOf(u'.'));
}

double round_down_half(double x)
{
    return std::floor(x * 2 + 1e-9) / 2;
}

// The student's ability with this answer: their own, give or take a day's luck.
double quality_of(const std::string& kh, QRandomGenerator& rng)
{
    return std::clamp(demo_ability(kh) + (rng.generateDouble() - 0.5) * 0.4, 0.0, 1.0);
}

template <class Q>
const Q& nearest(const std::vector<Q>& all, const std::string& th, double full)
{
    for (const Q& q : all)
        if (th == q.number) return q;
    return *std::min_element(all.begin(), all.end(),
                             [&](const Q& a, const Q& b) { return std::abs(a.full - full) < std::abs(b.full - full); });
}

DemoAnswer reading_answer(const std::string& kh, const std::string& th, double full, QRandomGenerator& rng)
{
    const ReadingQuestion& q = nearest(kReading, th, full);
    DemoAnswer a;
    a.prompt = printed(q.prompt, q.number, th);
    a.height = q.height;
    const double quality = quality_of(kh, rng);
    if (quality < 0.05) return a;  // left blank
    QString text;
    double score = 0;
    for (size_t i = 0; i < q.parts.size(); ++i) {
        const Point& p = q.parts[i];
        const double r = rng.generateDouble();
        const double good = std::pow(quality, 1.4);
        if (r < good) {
            text += QString::fromUtf8(p.good);
            score += p.marks;
        } else if (r < good + (1 - good) * 0.55) {
            text += QString::fromUtf8(p.partial);
            score += round_down_half(p.marks / 2);
        } else {
            text += QString::fromUtf8(p.wrong);
        }
        // A weak student often stops after the first thing they think of.
        if (quality < 0.35 && rng.generateDouble() < 0.5) break;
    }
    // Ends with a full stop however the last point ended.
    while (!text.isEmpty() && (text.back() == u'，' || text.back() == u'；')) text.chop(1);
    if (!text.isEmpty() && text.back() != u'。') text += u'。';
    a.lines = QStringList{text};
    a.deserved = round_down_half(score * full / q.full);
    return a;
}

DemoAnswer math_answer(const std::string& kh, const std::string& th, double full, QRandomGenerator& rng)
{
    const MathQuestion& q = nearest(kMath, th, full);
    DemoAnswer a;
    a.prompt = printed(q.prompt, q.number, th);
    a.height = q.height;
    a.steps = true;
    const double quality = quality_of(kh, rng);
    for (const Worked& w : q.parts) {
        if (quality < w.min_quality) continue;
        for (const char* line : w.lines) a.lines << QString::fromUtf8(line);
        a.deserved = round_down_half(w.score * full / q.full);
        break;
    }
    return a;  // below every answer: left blank
}

}  // namespace

double demo_ability(const std::string& kh)
{
    QRandomGenerator rng(seed_of("ability:" + kh));
    // More good students than weak ones, as in a real class.
    return 0.08 + 0.87 * std::pow(rng.generateDouble(), 0.85);
}

DemoAnswer demo_answer(std::int64_t subject, const std::string& kh, const std::string& th, double full_mark)
{
    QRandomGenerator rng(seed_of(std::to_string(subject) + ":" + kh + "_" + th));
    return subject == demo::kMath ? math_answer(kh, th, full_mark, rng) : reading_answer(kh, th, full_mark, rng);
}

}  // namespace velmora
