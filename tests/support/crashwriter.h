// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Shared by vantrel_crashwriter and the test that kills it.

// Characters of padding in each event's entry name: every line spans several
// 4 KiB pages, and a write killed between two pages stops short.
constexpr int kLogPadding = 20000;
// The log is deleted before every event whose number is a multiple of this.
constexpr long long kLogGroup = 16;
