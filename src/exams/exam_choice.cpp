#include "exams/exam_choice.h"

#include "app/session.h"
#include "app/vbtext.h"

namespace exams {

QStringList work_step_captions()
{
    return QStringLiteral("批阅主观试题,查询阅卷情况,学科组长修改得分").split(u',');
}

QString work_step_caption(int workId)
{
    return app::piece(work_step_captions(), workId - 1);
}

QString incomplete_choice_message()
{
    return QStringLiteral("请从考试列表中选取某次考试、考试科目，同时选定相应操作步骤！");
}

bool choice_complete(const app::Session& s)
{
    return app::to_int(s.ks_id) != 0 && s.WORK_id != 0 && s.KM_id != 0;
}

}  // namespace exams
