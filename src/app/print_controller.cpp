#include "app/print_controller.h"

#include "app/main_window_state.h"
#include "platform/error_report.h"
#include "platform/program_info.h"
#include "platform/prompts.h"
#include "platform/trace.h"
#include "platform/twips.h"
#include "presentation/competitors_form.h"
#include "presentation/event_form.h"
#include "presentation/page_surface.h"
#include "presentation/photo_finish_print.h"
#include "presentation/printer_select.h"
#include "presentation/progress_window.h"
#include "recording/file_digest.h"
#include "recording/video_file_handler.h"
#include "timing/review_session.h"
#include "timing/time_text.h"

#include <QAction>
#include <QFileInfo>
#include <QLabel>
#include <QPrinter>
#include <QSlider>
#include <QSpinBox>

#include <memory>

namespace {

// The window's pictures: the one shown, and each runner's at its stored position. Moving the
// playback for a runner is undone when the print is over, however it ends.
class Window_Frames final : public Photo_Finish_Frames {
public:
  Window_Frames(Review_Session& review, Picture_Box& picture)
      : review_(review), picture_(picture), start_(review.Position()) {}
  ~Window_Frames() override {
    if (!moved_) return;
    try {
      review_.Show(start_);
    } catch (...) {
      report_current_exception(90, QStringLiteral("Print_Frame of Form Form_Doravent"));
    }
  }
  Window_Frames(const Window_Frames&) = delete;
  Window_Frames& operator=(const Window_Frames&) = delete;

  QImage Shown_Picture() override { return picture_.Picture().copy(); }

  QImage Runner_Picture(int16_t box, bool split) override {
    const cls_VideoFile_handler& h = review_.Recording();
    const int16_t position = split ? h.Dora_split_frame(box) : h.Dora_heat_frame(box);
    // A position the slider cannot reach would show another runner's picture.
    if (position < 1 || position > review_.Last_Position()) return {};
    moved_ = true;
    review_.Show(position);
    if (!review_.Shown_Run_Time()) return {};
    return picture_.Picture().copy();
  }

private:
  Review_Session& review_;
  Picture_Box& picture_;
  int32_t start_;
  bool moved_ = false;
};

} // namespace

Print_Controller::Print_Controller(const Main_Window_Parts& parts, Form_event_registration& events)
    : Window_Binding(parts), events_(events) {
  const auto on = [this](const char* name, auto slot) {
    if (QAction* a = ui_.item(QString::fromLatin1(name))) connect(a, &QAction::triggered, this, slot);
  };
  on("item_print_frame", [this] { Print_Frame(false, false); });
  on("item_print_series", [this] { Print_Frame(true, false); });
  on("item_print_split_series", [this] { Print_Frame(true, true); });
  on("item_dog_name", [this] { Enter_Print_Dog_name(); });
  on("item_printer_dialog", [this] { Show_Printer_Dialog(); });
  on("item_dog_names", [this] { item_dog_names_Click(); });
}

Print_Controller::~Print_Controller() = default;

void Print_Controller::wait(int32_t ms) const {
  if (wait_)
    wait_(ms);
  else
    Wait_Letting_Events_Run(ms);
}

void Print_Controller::report(int32_t step, const QString& procedure) {
  report_current_exception(step, procedure + QStringLiteral(" of Form Form_Doravent"));
}

void Print_Controller::Print_Frame(bool series, bool split) {
  int32_t step = 10;
  std::unique_ptr<Form_progress> progress;
  try {
    cls_VideoFile_handler& h = review_.Recording();
    if (!h.File_open()) {
      Beep();
      return;
    }
    step = 20;
    if (Printer_Dialog_Wanted() && !Select_Printer(&frame_.Window())) return;

    step = 30;
    Photo_Finish_Job job;
    job.series = series;
    job.split = series && split;
    job.results = review_.Results();
    Fill_From_Recording(job, h, program().Settings_File_Path, program().Box_Delay_Ms);
    // The shown picture's run time: the time label may have shown something else meanwhile.
    job.elapsed_text = Display_Mill_Time(review_.Shown_Time_Label_Ms(), false);
    if (!series) job.print_dog_name = view_.Print_Dog_Name;
    job.printer_name = Current_Printer_Name();
    job.colour = Current_Printer().color_mode != 1;
    job.twips_per_pixel_x = Twips_Per_Pixel();
    job.twips_per_pixel_y = Twips_Per_Pixel();
    job.picture_twips =
        QSizeF(ui_.Picture_out->width() * job.twips_per_pixel_x, ui_.Picture_out->height() * job.twips_per_pixel_y);

    step = 40;
    progress =
        std::make_unique<Form_progress>(&frame_.Window(), QStringLiteral("Printing frame on\n") + job.printer_name);
    progress->show();
    Photo_Finish_Pacing pacing;
    pacing.percent = [&progress](int percent) { progress->set_Percent(percent); };
    pacing.wait = [this](int32_t ms) { wait(ms); };

    step = 50;
    QString pdf_file;
    {
      const std::unique_ptr<QPrinter> printer = Make_Printer(QStringLiteral("Doravent photo finish"));
      printer->setDocName(Photo_Finish_Title(job));
      pdf_file = Unannounced_Pdf_File(*printer);
      Page_Surface page(*printer);
      Window_Frames frames(review_, *ui_.Picture_out);
      step = 60;
      Print_Photo_Finish(page, job, frames, pacing);
    }
    // The name was for this print only.
    if (!series) view_.Print_Dog_Name.clear();
    step = 70;
    progress->hide();
    Trace_Message(QStringLiteral("*Print_Frame, printed"), series, split, job.printer_name);
    Tell_Pdf_File(pdf_file);
  } catch (...) {
    report(step, QStringLiteral("Print_Frame"));
  }
}

void Print_Controller::Show_Printer_Dialog() {
  try {
    Select_Printer(&frame_.Window());
    Trace_Message(QStringLiteral("Printer.DeviceName = ") + Current_Printer_Name());
  } catch (...) {
    report(10, QStringLiteral("Show_Printer_Dialog"));
  }
}

void Print_Controller::Enter_Print_Dog_name() {
  try {
    const auto name =
        prompts().input(QStringLiteral("Enter dog name for printing"), program().Program_Name, view_.Print_Dog_Name);
    if (name) view_.Print_Dog_Name = *name;
  } catch (...) {
    report(10, QStringLiteral("Enter_Print_Dog_name"));
  }
}

void Print_Controller::item_dog_names_Click() {
  int32_t step = 10;
  try {
    if (competitors_) {
      competitors_->show();
      competitors_->raise();
      return;
    }
    step = 20;
    auto* form = new Form_heat_competitors(&frame_.Window());
    form->setAttribute(Qt::WA_DeleteOnClose, true);
    competitors_ = form;
    Competitors_Hooks hooks;
    hooks.event_file_open = [this] { return events_.Event_File_Open(); };
    hooks.heat_name = [this](int16_t heat) { return events_.Heat_Name(heat); };
    hooks.reg_dog_name = [this](int16_t heat, int16_t box) { return events_.Reg_Dog_Name(heat, box); };
    hooks.display_results = [this] { review_.Reload_Results(); };
    form->set_Hooks(std::move(hooks));
    form->set_Session(&review_);
    step = 30;
    form->Form_Load(static_cast<int16_t>(ui_.UpDown_heat->value()));
    form->show();
    form->raise();
  } catch (...) {
    report(step, QStringLiteral("item_dog_names_Click"));
  }
}
