#pragma once
// Inside the platform layer: the interruption that the session caught, for the file functions
// that may wait (a pipe or a terminal typed as the input file).
namespace kavron::platform::detail {

// Throws Interrupted once the user has interrupted the run.
void check_interruption();

// A descriptor that becomes readable when an interruption is caught (-1: none), to wait on
// beside the one being read.
int interruption_descriptor();

}  // namespace kavron::platform::detail
