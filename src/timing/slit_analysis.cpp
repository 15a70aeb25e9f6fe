#include "timing/slit_analysis.h"

#include "recording/field_pictures.h"
#include "recording/slit_cache.h"

Slit_Analysis Analyse_Recording(const Slit_Analysis_Input& input, const std::atomic<bool>* cancel,
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
  result.cancelled = cancelled();
  return result;
}
