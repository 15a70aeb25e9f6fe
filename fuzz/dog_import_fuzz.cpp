// A dog-name import file of arbitrary bytes: decoded and planned as the event window does
// before it writes anything. Every step names a heat and box the event file has, the count
// matches the named steps, and the plan is the same for the same text.
#include "fuzz_support.h"

#include "metadata/event_file.h"

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  fuzz::Start(argc, argv);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
  const QString text = Decode_Import_Text(bytes);
  const Dog_Import_Plan plan = Plan_Dog_Import(text);
  int32_t named = 0;
  for (const Dog_Import_Step& step : plan.steps) {
    fuzz::Check(step.heat >= 1 && step.heat <= Event_Heat_Count, "a step's heat is one of the event's");
    fuzz::Check(step.box >= 0 && step.box <= Event_Box_Count, "a step's box is one of the heat's");
    fuzz::Check((step.box == 0) == step.name.isEmpty(), "a box step names a dog, a heat step none");
    const auto blank = [](QChar c) { return c == QLatin1Char(' ') || c == QLatin1Char('\t'); };
    fuzz::Check(step.name.isEmpty() || (!blank(step.name.front()) && !blank(step.name.back())),
                "names lose the blanks around them");
    fuzz::Check(!step.name.contains(QLatin1Char('\n')), "a name is one line");
    if (step.box > 0) ++named;
  }
  fuzz::Check(named == plan.imported, "the count is the dogs named");
  fuzz::Check(!plan.message.isEmpty(), "every ending has its message");
  const Dog_Import_Plan again = Plan_Dog_Import(text);
  fuzz::Check(again.steps.size() == plan.steps.size() && again.imported == plan.imported &&
                  again.message == plan.message,
              "the plan depends on the text alone");
  Leading_Whole_Number(text);
  return 0;
}
