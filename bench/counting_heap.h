// Replaces the global operator new and delete to count the heap bytes in use
// and their peak, while counting is switched on.
#pragma once

namespace reader_tools {

void StartCountingHeap();
// The peak of heap bytes in use since StartCountingHeap, above what was in use then.
long long StopCountingHeap();

}  // namespace reader_tools
