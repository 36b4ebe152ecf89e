#pragma once
// The demo school. Its ids are fixed so that tests and the demo script can
// name accounts without looking them up.

#include <cstdint>

namespace velmora {

class Store;

namespace demo {

inline constexpr const char* kPassword = "demo123";
inline constexpr const char* kClientVersion = "8.5";

inline constexpr int kSchool = 1;        // 第一中学 (dyzx); 2 实验中学, 3 育才中学
inline constexpr int kOtherSchool = 2;

inline constexpr int kZhangMing = 1;     // 张明 zm: 语文 questions 13 and 14
inline constexpr int kLiHua = 2;         // 李华 lh: 语文 questions 14 and 15 (shares 14)
inline constexpr int kWangFang = 3;      // 王芳 wf: 数学 classes 高一(1), 高一(2)
inline constexpr int kZhaoQiang = 4;     // 赵强 zq: 语文 questions 16 and 17, 数学 class 高一(3)
inline constexpr int kChenJing = 5;      // 陈静 cj: subject leader of both subjects, marks nothing
inline constexpr int kSunLi = 6;         // 孙丽 sl: 实验中学, no exam

inline constexpr int kExam = 1;          // 2026年秋季期末考试
inline constexpr int kChinese = 1;       // 语文: objective 1-12, subjective 13-17
inline constexpr int kMath = 2;          // 数学: objective 1-8, subjective 9-13
inline constexpr int kClass1 = 1, kClass2 = 2, kClass3 = 3;  // 高一(1) .. 高一(3)
inline constexpr int kStudentsPerClass = 22;

}  // namespace demo

// Fills an empty store with the demo school; does nothing when the store
// already holds data. Returns whether it seeded.
bool seed_demo(Store& store, std::int64_t now);

// Scores a share of the demo answers as 赵强 would have (语文 16 and 17 of
// 高一(1) and 高一(2), 数学 of the first half of 高一(3)), so that the
// correction screen finds real scores. Only once, and only on a store that
// seed_demo filled; returns whether it scored anything.
bool seed_demo_scores(Store& store, std::int64_t now);

// Marks `percent` of the demo's written answers (by their assigned
// teachers, at times in the last two hours; answers scored already stay as
// they are) and recommends a few full-mark answers as excellent: the report
// pages then have something to show.
void seed_demo_marking(Store& store, int percent, std::int64_t now);

}  // namespace velmora
