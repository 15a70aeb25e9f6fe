// The main window's menu bar: items by control name, visibility rules, and the commands that
// need nothing beyond the start-up spine.
#include "app/form_doravent.h"

#include "app/camera_controller.h"
#include "platform/error_report.h"
#include "platform/program_info.h"
#include "platform/prompts.h"
#include "platform/trace.h"
#include "presentation/form_hdmi_performance.h"
#include "presentation/form_select_video.h"
#include "presentation/form_timer.h"

#include <QActionGroup>
#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>

namespace {

// Posted by "Misbehave untrapped": its failure is thrown from the event handler, where only the
// application's top-level catch sees it.
constexpr QEvent::Type Untrapped_Event = static_cast<QEvent::Type>(QEvent::User + 1);

int32_t divide(int32_t a, int32_t b) {
  // Integer division by zero is undefined in C++: raise the system's own failure instead.
  if (b == 0) throw Dora_Error(11, QStringLiteral("Division by zero"));
  return a / b;
}

} // namespace

QMenu* Form_Doravent::add_menu(QMenu* parent, const QString& name, const QString& title) {
  QMenu* m = parent ? parent->addMenu(title) : menuBar()->addMenu(title);
  m->setObjectName(name);
  m->menuAction()->setObjectName(name + QStringLiteral("_action"));
  ui_.menus.push_back(m);
  return m;
}

QAction* Form_Doravent::add_item(QMenu* m, const QString& name, const QString& caption, const QString& shortcut) {
  QAction* a = m->addAction(caption);
  a->setObjectName(name);
  if (!shortcut.isEmpty()) a->setShortcut(QKeySequence(shortcut));
  ui_.items.push_back(a);
  return a;
}

QAction* Main_Window_Controls::item(const QString& name) const {
  for (QAction* a : items)
    if (a->objectName() == name) return a;
  return nullptr;
}

QMenu* Main_Window_Controls::menu(const QString& name) const {
  for (QMenu* m : menus)
    if (m->objectName() == name) return m;
  return nullptr;
}

QAction* Form_Doravent::item(const QString& name) const { return ui_.item(name); }

QMenu* Form_Doravent::menu(const QString& name) const { return ui_.menu(name); }

void Form_Doravent::build_menus() {
  QMenu* form = add_menu(nullptr, QStringLiteral("menu_form"), QStringLiteral("Form"));
  add_item(form, QStringLiteral("item_open_file"), QStringLiteral("Open Doravent file"));
  add_item(form, QStringLiteral("item_last_heat"), QStringLiteral("Open last heat"), QStringLiteral("Ctrl+L"));
  add_item(form, QStringLiteral("item_show_result"), QStringLiteral("Show result form"), QStringLiteral("Ctrl+R"));
  add_item(form, QStringLiteral("item_reset_line"), QStringLiteral("Reset Goal line"));
  add_item(form, QStringLiteral("item_close_file"), QStringLiteral("Close Doravent file"));
  add_item(form, QStringLiteral("item_delete_file"), QStringLiteral("Delete this file"));
  form->addSeparator();
  add_item(form, QStringLiteral("item_event_registration"), QStringLiteral("Event registration"));
  add_item(form, QStringLiteral("item_open_event_file"), QStringLiteral("Open Event file"));
  add_item(form, QStringLiteral("item_No_event_file"), QStringLiteral("No Event File"));
  add_item(form, QStringLiteral("item_dog_names"), QStringLiteral("Dog names"));
  form->addSeparator();
  add_item(form, QStringLiteral("item_displace_goalline"), QStringLiteral("Displace goalline"),
           QStringLiteral("Ctrl+G"));
  add_item(form, QStringLiteral("item_show_settings"), QStringLiteral("Show settings"));
  add_item(form, QStringLiteral("item_Select_Video_Source"), QStringLiteral("Select Video Source"));
  form->addSeparator();
  add_item(form, QStringLiteral("item_Exit"), QStringLiteral("Exit"), QStringLiteral("Ctrl+X"));

  add_menu(nullptr, QStringLiteral("menu_settings"), QStringLiteral("Settings"));

  QMenu* crop = add_menu(nullptr, QStringLiteral("menu_crop_size"), QStringLiteral("Crop size"));
  auto* crop_group = new QActionGroup(this);
  const QStringList crops{QStringLiteral("400*880"), QStringLiteral("600*1080"), QStringLiteral("576*720")};
  for (int i = 0; i < 3; ++i) {
    QAction* a = add_item(crop, QStringLiteral("item_crop_size_%1").arg(i), crops.at(i));
    a->setCheckable(true);
    crop_group->addAction(a);
  }

  QMenu* diagnostics = add_menu(nullptr, QStringLiteral("menu_diagnostics"), QStringLiteral("Diagnostics"));
  add_item(diagnostics, QStringLiteral("item_HDMI_performance"), QStringLiteral("HDMI performance"))
      ->setCheckable(true);
  add_item(diagnostics, QStringLiteral("item_JPEG_Benchmark"), QStringLiteral("JPEG Benchmark"));

  QMenu* print = add_menu(nullptr, QStringLiteral("menu_print"), QStringLiteral("Print"));
  add_item(print, QStringLiteral("item_print_frame"), QStringLiteral("Print this frame"));
  add_item(print, QStringLiteral("item_print_series"), QStringLiteral("Print Goal photo series"));
  add_item(print, QStringLiteral("item_print_split_series"), QStringLiteral("Print Split photo series"));
  add_item(print, QStringLiteral("item_dog_name"), QStringLiteral("Dog Name"));

  QMenu* debug = add_menu(nullptr, QStringLiteral("menu_debug"), QStringLiteral("Debug"));
  add_item(debug, QStringLiteral("item_DLL_available"), QStringLiteral("DLL available"));
  add_item(debug, QStringLiteral("item_pic_size"), QStringLiteral("Picture size"));
  add_item(debug, QStringLiteral("item_timestamp_report"), QStringLiteral("Timestamp report"));
  add_item(debug, QStringLiteral("item_file_properties"), QStringLiteral("File properties"));
  add_item(debug, QStringLiteral("item_test_XML"), QStringLiteral("Text XML header"));
  add_item(debug, QStringLiteral("item_dump_present_XML"), QStringLiteral("Dump present XML header"));
  add_item(debug, QStringLiteral("item_test1"), QStringLiteral("test1"));
  add_item(debug, QStringLiteral("item_Blink_LED"), QStringLiteral("Blink LED"));
  add_item(debug, QStringLiteral("item_printer_dialog"), QStringLiteral("Printer dialog"));
  add_item(debug, QStringLiteral("item_validate_folder"), QStringLiteral("Validate folder"));
  add_item(debug, QStringLiteral("item_timer"), QStringLiteral("Timer"));
  QMenu* trap = add_menu(debug, QStringLiteral("menu_trap_errors"), QStringLiteral("Trap errors"));
  add_item(trap, QStringLiteral("item_misbehave"), QStringLiteral("Misbehave trapped"));
  add_item(trap, QStringLiteral("item_misbehave_untrapped"), QStringLiteral("Misbehave untrapped"));

  build_finish_menu();

  QMenu* help = add_menu(nullptr, QStringLiteral("menu_help"), QStringLiteral("Help"));
  add_item(help, QStringLiteral("item_about"), QStringLiteral("About"));
  add_item(help, QStringLiteral("item_loupe_keys"), QStringLiteral("Loupe keys"));

  QMenu* assign = add_menu(nullptr, QStringLiteral("menu_assign_times"), QStringLiteral("Assign times"));
  QMenu* time = add_menu(assign, QStringLiteral("menu_time"), QStringLiteral("Time"));
  add_item(time, QStringLiteral("item_set_time"), QStringLiteral("Set time"));
  add_item(time, QStringLiteral("item_plus_one_hundredth"), QStringLiteral("Set time + 1/100"));
  QMenu* split = add_menu(assign, QStringLiteral("menu_split"), QStringLiteral("Split"));
  add_item(split, QStringLiteral("item_set_split"), QStringLiteral("Set split"));
  add_item(split, QStringLiteral("item_split_plus_one_hundredth"), QStringLiteral("Set split +1/100"));
  add_item(assign, QStringLiteral("item_set_notime"), QStringLiteral("No time"));
  add_item(assign, QStringLiteral("item_dead_heat"), QStringLiteral("Dead heat"));
  add_item(assign, QStringLiteral("item_clear_result"), QStringLiteral("Clear result"));

  QMenu* specials = add_menu(nullptr, QStringLiteral("menu_specials"), QStringLiteral("Specials"));
  QAction* hd = add_item(specials, QStringLiteral("item_display_HD_data"), QStringLiteral("Display HD frame data"));
  hd->setCheckable(true);
  add_item(specials, QStringLiteral("item_qn3_properties"), QStringLiteral("QN3 Properties"));
  add_item(specials, QStringLiteral("item_associate"), QStringLiteral("Associate"));

  QMenu* notime = add_menu(nullptr, QStringLiteral("menu_notime"), QStringLiteral("Notime"));
  add_item(notime, QStringLiteral("item_disqualified"), QStringLiteral("Disqualified"));
  add_item(notime, QStringLiteral("item_DNF"), QStringLiteral("Did Not Finish"));
  add_item(notime, QStringLiteral("item_NoRank"), QStringLiteral("No Rank"));

  // Commands whose subsystems are not in this build yet stay visible but inactive.
  for (const char* name : {"item_delete_file", "item_JPEG_Benchmark", "item_DLL_available", "item_pic_size",
                           "item_file_properties", "item_test_XML", "item_dump_present_XML", "item_test1"})
    item(QString::fromLatin1(name))->setEnabled(false);

  // Alt on the Form menu and Ctrl on the Print menu reveal the hidden debugging menus.
  connect(form, &QMenu::aboutToShow, this, [this] {
    if (QGuiApplication::queryKeyboardModifiers() & Qt::AltModifier) {
      menu(QStringLiteral("menu_trap_errors"))->menuAction()->setVisible(true);
      QAction* debug_action = menu(QStringLiteral("menu_debug"))->menuAction();
      debug_action->setVisible(!debug_action->isVisible());
    }
  });
  connect(print, &QMenu::aboutToShow, this, [this] {
    if (QGuiApplication::queryKeyboardModifiers() & Qt::ControlModifier)
      menu(QStringLiteral("menu_debug"))->menuAction()->setVisible(true);
  });
}

void Form_Doravent::build_finish_menu() {
  QMenu* finish = add_menu(nullptr, QStringLiteral("menu_finish"), QStringLiteral("Finish"));
  QAction* strip =
      add_item(finish, QStringLiteral("item_slit_image"), QStringLiteral("Slit image"), QStringLiteral("Ctrl+I"));
  strip->setCheckable(true);
  add_item(finish, QStringLiteral("item_accept_all_proposals"), QStringLiteral("Accept all proposals"));
  QMenu* accept = add_menu(finish, QStringLiteral("menu_accept_proposal"), QStringLiteral("Accept proposal"));
  for (int box = 1; box <= 6; ++box)
    add_item(accept, QStringLiteral("item_accept_proposal_%1").arg(box), QStringLiteral("Box %1").arg(box));
  QMenu* subfield = add_menu(finish, QStringLiteral("menu_subfield"), QStringLiteral("Time between fields"));
  for (int box = 1; box <= 6; ++box)
    add_item(subfield, QStringLiteral("item_subfield_box_%1").arg(box), QStringLiteral("Box %1").arg(box));
  add_item(finish, QStringLiteral("item_start_from_hand_time"), QStringLiteral("Start from hand time"));
  finish->addSeparator();
  add_item(finish, QStringLiteral("item_mark_led"), QStringLiteral("Mark LED place"));
  add_item(finish, QStringLiteral("item_calibrate_delay"), QStringLiteral("Calibrate camera delay"));
  add_item(finish, QStringLiteral("item_clear_calibration"), QStringLiteral("Clear calibration trials"));
  finish->addSeparator();
  QMenu* loupe = add_menu(finish, QStringLiteral("menu_loupe"), QStringLiteral("Loupe"));
  auto* zooms = new QActionGroup(this);
  const char* const names[] = {"item_loupe_off", "item_loupe_2", "item_loupe_4", "item_loupe_8"};
  const char* const captions[] = {"Off", "x2", "x4", "x8"};
  const char* const keys[] = {"Ctrl+0", "Ctrl+2", "Ctrl+4", "Ctrl+8"};
  for (int i = 0; i < 4; ++i) {
    QAction* a =
        add_item(loupe, QString::fromLatin1(names[i]), QString::fromLatin1(captions[i]), QString::fromLatin1(keys[i]));
    a->setCheckable(true);
    zooms->addAction(a);
  }
  item(QStringLiteral("item_loupe_off"))->setChecked(true);
  QAction* follow =
      add_item(loupe, QStringLiteral("item_loupe_mouse"), QStringLiteral("Under the mouse"), QStringLiteral("Ctrl+M"));
  follow->setCheckable(true);
}

void Form_Doravent::set_menu_visibility() {
  const bool dev = program().Development_Mode;
  for (const char* name : {"menu_assign_times", "menu_specials", "menu_notime"})
    menu(QString::fromLatin1(name))->menuAction()->setVisible(dev);
  menu(QStringLiteral("menu_debug"))->menuAction()->setVisible(dev);
  menu(QStringLiteral("menu_trap_errors"))->menuAction()->setVisible(dev);
}

void Form_Doravent::Misbehave(bool trapped) {
  if (!trapped) {
    QCoreApplication::postEvent(this, new QEvent(Untrapped_Event));
    return;
  }
  int32_t step = 10;
  try {
    volatile int32_t zero = 0;
    step = 20;
    Trace_Message(divide(10, zero));
  } catch (...) {
    report(step, QStringLiteral("Misbehave"));
  }
}

void Form_Doravent::customEvent(QEvent* event) {
  if (event->type() == Untrapped_Event) {
    volatile int32_t zero = 0;
    Trace_Message(divide(10, zero));
    return;
  }
  QMainWindow::customEvent(event);
}

void Form_Doravent::item_about_Click() {
  Msg_Box(program().Program_Name + QStringLiteral(", version ") + program().Program_Version +
              QStringLiteral("\nPhoto-finish and timing for dog races."),
          QStringLiteral("About"), Prompt_Buttons::Ok, Prompt_Icon::Information);
}

void Form_Doravent::item_timer_Click() {
  try {
    if (!timer_window_) {
      timer_window_ = new Form_timer(this);
      timer_window_->set_Heat_Time_Source([this] { return ui_.Label_heat_time->text(); });
    }
    timer_window_->setVisible(!timer_window_->isVisible());
    if (timer_window_->isVisible()) timer_window_->raise();
  } catch (...) {
    report(10, QStringLiteral("item_timer_Click"));
  }
}

void Form_Doravent::item_Select_Video_Source_Click() {
  if (!select_video_) return;
  select_video_->show();
  select_video_->raise();
  select_video_->activateWindow();
}

void Form_Doravent::item_HDMI_performance_Click() {
  try {
    if (!camera_->Created()) return;
    if (!performance_) performance_ = new Form_HDMI_performance(this);
    performance_->Open_From_Main(camera_->Capture(), item(QStringLiteral("item_HDMI_performance")));
  } catch (...) {
    report(10, QStringLiteral("item_HDMI_performance_Click"));
  }
}
