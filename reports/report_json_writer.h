#pragma once
// The report document of schema version 1, written from one finished run.

#include <string>

#include "engine/run_records.h"

namespace orvane {

// The whole report text (UTF-8, LF, final LF), validated by the import and rated for the run's
// own model size. Throws the import's errors or the JSON library's; never returns part of a text.
std::string writeReportJson(const RunResult& result, const std::string& displayNameHint);

}  // namespace orvane
