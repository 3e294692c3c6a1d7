// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Which remote access backend runs: NetworkManager where it answers on the
// system bus, the simulated line otherwise.
#include "platform/ras/rasservice.h"
#include "platform/ras/simline/simline.h"

#include <memory>

namespace vantrel {

// VANTREL_RAS_BACKEND=nm or =simline forces one backend (a setting of the
// remote access stand-in, as VANTREL_SIMLINE_SPEED is; the program itself reads
// no environment). Any other value is reported through lineOptions.report and
// the choice is made as without it.
std::unique_ptr<RasService> ChooseRasService(const SimLine::Options &lineOptions);

} // namespace vantrel
