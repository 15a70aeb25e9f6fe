#pragma once
// Everything the window shows of a recording's finish beside its pictures, made in one pass
// that may run on a worker thread: the slit image (kept between openings) and the proposals.
#include "recording/field_pictures.h"
#include "recording/heat_slit.h"
#include "recording/record_reader.h"
#include "recording/slit_image.h"
#include "timing/finish_proposals.h"

#include <QString>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

struct Slit_Analysis_Input {
  Recording_Layout layout;
  Slit_Line line;
  Heat_Clock clock;
  Proposal_Options options;
  // Where the slit image is kept between openings; empty: it is neither looked for nor kept.
  QString cache_path;
  // The slit made while the heat's frames came, taken when the records are its frames.
  std::shared_ptr<const Heat_Slit> held;
};

struct Slit_Analysis {
  std::optional<Slit_Image> slit; // nullopt with `why` when none could be made
  QString why;
  bool from_cache = false;
  bool cancelled = false;
  Finish_Proposals proposals;
  // Frames whose pictures did not decode (slit or proposals), by frame number, each once: the
  // user-interface thread names them; the work goes on without them.
  std::vector<Picture_Failure> damaged;
};

// Never throws: a failure comes back as `why`. `progress(done, total)` hears how the slit image's build goes (not
// called when it was kept).
Slit_Analysis Analyse_Recording(const Slit_Analysis_Input& input, const std::atomic<bool>* cancel,
                                const std::function<void(int32_t, int32_t)>& progress);
