#pragma once
// The finish proposals of real dogs. For each box, the slit image's sights of its jacket on the
// line are places to look; the field there must show the box's jacket on a dog (not a coat of
// its colour), and the jacket's move to the next field gives the dog's speed and, unless it is
// set, the direction of travel. Then the fields are read back and forth from there until the
// muzzle tip stands before the line in one and at or past it in the next, and the crossing is
// interpolated between the two. The proposal is sure only when both readings are clean, the tip
// moves with its jacket and no other box's jacket leads to the same tip; otherwise it is unsure,
// with the reason, the picture to look at and an uncertainty that spans every place the tip could
// be.
#include "recording/field_pictures.h"
#include "recording/slit_image.h"
#include "timing/field_background.h"
#include "timing/finish_proposals.h"

#include <atomic>

Finish_Proposals Propose_Muzzle_Finishes(const Slit_Image& slit, Field_Picture_Reader& fields,
                                         const Field_Background& background, const Heat_Clock& clock,
                                         const Proposal_Options& options, const std::atomic<bool>* cancel);
