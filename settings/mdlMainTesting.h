// For tests only: puts the globals of mdlMain back to their state at program start, so that
// each test can run LoadLanguage as a fresh start would.
#pragma once

namespace mdlMain {

void ResetForTesting();

}  // namespace mdlMain
