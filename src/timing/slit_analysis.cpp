#include "timing/slit_analysis.h"

#include "platform/error_report.h"
#include "recording/field_pictures.h"
#include "recording/slit_cache.h"

#include <algorithm>

namespace {

// The slit's columns that hold a record but no picture, as frames, joined with what the
// proposals met.
void Gather_Damaged(const Slit_Image& slit, const std::vector<Picture_Failure>& met,
                    std::vector<Picture_Failure>& damaged) {
  damaged = met;
  const int32_t per_frame = slit.Interlaced() ? 2 : 1;
  for (int32_t c = 0; c < slit.Columns(); c += per_frame) {
    if (!slit.Column(c).stamped || slit.Column(c).valid) continue;
    const auto frame = static_cast<int16_t>(c / per_frame + 1);
    if (std::none_of(damaged.begin(), damaged.end(), [frame](const Picture_Failure& f) { return f.frame == frame; }))
      damaged.push_back({frame, QStringLiteral("its picture does not decode")});
  }
  std::sort(damaged.begin(), damaged.end(),
            [](const Picture_Failure& a, const Picture_Failure& b) { return a.frame < b.frame; });
}

Slit_Analysis Analyse(const Slit_Analysis_Input& input, const std::atomic<bool>* cancel,
                      const std::function<void(int32_t, int32_t)>& progress) {
  Slit_Analysis result;
  const auto cancelled = [&] { return cancel && cancel->load(std::memory_order_relaxed); };
  Record_Reader heads;
  if (!heads.Open(input.layout, result.why)) return result;
  const Slit_Cache_Key now = Current_Cache_Key(input.layout.path);
  std::optional<uint64_t> fingerprint;
  const auto records = [&] {
    if (!fingerprint) fingerprint = Records_Fingerprint(heads);
    return *fingerprint;
  };
  if (!input.cache_path.isEmpty()) {
    result.slit = Load_Slit_Cache(input.cache_path, input.layout, input.line, now, records);
    result.from_cache = result.slit.has_value();
  }
  if (!result.slit && input.held) {
    result.slit = input.held->Image_For(input.layout, input.line, heads);
    result.from_cache = result.slit.has_value();
    if (result.slit && !input.cache_path.isEmpty()) {
      Slit_Cache_Key key = now;
      key.fingerprint = records();
      Save_Slit_Cache(input.cache_path, *result.slit, key);
    }
  }
  if (!result.slit) {
    Slit_Build_Control control;
    control.cancel = cancel;
    control.progress = progress;
    result.slit = Build_Slit_Image(input.layout, input.line, control, result.why);
    if (!result.slit) {
      result.cancelled = cancelled();
      return result;
    }
    if (!input.cache_path.isEmpty()) {
      Slit_Cache_Key key = now;
      key.fingerprint = records();
      Save_Slit_Cache(input.cache_path, *result.slit, key);
    }
  }
  if (cancelled()) {
    result.cancelled = true;
    return result;
  }
  Field_Picture_Reader fields;
  if (fields.Open(input.layout, result.why))
    result.proposals = Propose_Finishes(*result.slit, fields, input.clock, input.options, cancel);
  Gather_Damaged(*result.slit, fields.Failures(), result.damaged);
  result.cancelled = cancelled();
  return result;
}

} // namespace

Slit_Analysis Analyse_Recording(const Slit_Analysis_Input& input, const std::atomic<bool>* cancel,
                                const std::function<void(int32_t, int32_t)>& progress) {
  try {
    return Analyse(input, cancel, progress);
  } catch (...) {
    Slit_Analysis failed;
    try {
      failed.why = describe_exception(std::current_exception()).description;
    } catch (...) {
      failed.why = QStringLiteral("out of memory");
    }
    return failed;
  }
}
