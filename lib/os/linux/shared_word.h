#pragma once
// Sleeping until another process changes a 32-bit word of a shared mapping,
// and waking every sleeper of such a word (a futex that processes share).
//
// Any process that maps the word, even read-only, can wake its sleepers or
// move them to a word of its own (FUTEX_REQUEUE): a sleeper looks at what it
// waits for after every return, and sleeps in bounded steps when a diverted
// wake-up must not keep it asleep.

#include <atomic>
#include <cstdint>

namespace NOs {

enum class NWordWait { Returned, TimedOut };

// Sleeps while word holds expected, at most timeoutMs: Returned when the
// word differed already, or something woke the sleeper (perhaps for
// nothing), TimedOut when the time ran out.
NWordWait SleepWhileWordIs(const std::atomic<uint32_t>& word, uint32_t expected,
                           uint32_t timeoutMs);

// Wakes every process and thread that sleeps on word.
void WakeWordSleepers(const std::atomic<uint32_t>& word);

}  // namespace NOs
