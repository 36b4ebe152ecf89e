#include "ui/work_screens.h"

#include "app/services.h"
#include "correction/correction_form.h"
#include "marking/marking_form.h"
#include "reports/report_form.h"

namespace ui {

QWidget* create_work_screen(int workId, app::Services& services, WorkScreenMemory& memory)
{
    switch (workId) {
    case 1:  // marking
        return new marking::MarkingForm(services, memory.marking);
    case 2:  // progress and reports
        return new reports::ReportForm(services);
    case 3:  // score correction
        return new correction::CorrectionForm(services);
    default:
        return nullptr;
    }
}

}  // namespace ui
