#ifndef Q6TIME_H
#define Q6TIME_H
/*
 * libq6time: reads the server time that the q6tsa agent publishes, and waits
 * for its publications. Link with `pkg-config --cflags --libs q6time`.
 *
 * A reader reads one edition's record (Q6TIME_NORMAL: slot 0x30000259,
 * Q6TIME_MINI: slot 0x40000259) through the qxipcdll.dll of the library's
 * own installation (the folder above the library's lib/), never through one
 * that an environment variable names. Every account may read; only root's
 * agent publishes.
 *
 * Threads: a reader may be used by several threads at once; q6time_close
 * must come after every other call on it has returned. q6time_format and
 * q6time_strerror keep no state.
 *
 * Every call but q6time_close and q6time_strerror returns a status of enum
 * q6time_status; Q6TIME_OK is 0.
 */

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#define Q6TIME_EXPORT __attribute__((visibility("default")))

/* q6time_wait: a timeout that never ends. */
#define Q6TIME_FOREVER UINT32_MAX

typedef struct q6time_reader q6time_reader;

enum q6time_edition { Q6TIME_NORMAL = 0, Q6TIME_MINI = 1 };

enum q6time_status {
    Q6TIME_OK = 0,
    Q6TIME_NO_RECORD = 1,  /* nothing published: no agent, or the slot is missing */
    Q6TIME_BAD_RECORD = 2, /* the slot holds no valid server time record */
    Q6TIME_TIMEOUT = 3,    /* q6time_wait: no publication within the time */
    Q6TIME_NO_LIBRARY = 4, /* the installation's qxipcdll.dll cannot be loaded */
    Q6TIME_INVALID = 5,    /* a null pointer or an edition out of range */
    Q6TIME_SYSTEM = 6,     /* any other failure of the operating system */
    Q6TIME_TOO_SMALL = 7   /* q6time_record: the buffer is smaller than *size */
};

/* Opens a reader of the edition's record into *reader. It succeeds while
 * nothing is published, so a reader may start before the agent. */
Q6TIME_EXPORT int q6time_open(enum q6time_edition edition, q6time_reader** reader);

/* Releases the reader; a null reader is ignored. */
Q6TIME_EXPORT void q6time_close(q6time_reader* reader);

/* The server time now: the record carried forward with this machine's tick,
 * in 100-ns units since 1601-01-01 00:00:00, in the frame of the record.
 * While the record is unchanged a call costs about one read of the clock;
 * a new record is used from the millisecond after its publication on. */
Q6TIME_EXPORT int q6time_now(q6time_reader* reader, uint64_t* server_time);

/* How old the record is: this machine's tick minus the record's
 * AtGetTickCount, in ms (negative when the record's tick lies ahead), so
 * that a reader can tell a live publisher from a stale record. */
Q6TIME_EXPORT int q6time_age(q6time_reader* reader, int64_t* age_ms);

/* "YYYY-MM-DD hh:mm:ss" (format code 120) of a server time, into text[20]
 * with its terminator. Q6TIME_INVALID for a null text or a time past the
 * year 9999. */
Q6TIME_EXPORT int q6time_format(uint64_t server_time, char text[20]);

/* The published record as UTF-8 JSON with its terminator; *size: bytes
 * needed. Q6TIME_TOO_SMALL, with *size set, when capacity is smaller;
 * buffer may be null when capacity is 0. */
Q6TIME_EXPORT int q6time_record(q6time_reader* reader, char* buffer, size_t capacity, size_t* size);

/* Returns when a publication newer than the last one this reader has seen
 * has been made, or after timeout_ms (Q6TIME_FOREVER: never). A reader has
 * seen the record that was current when it was opened, and every record that
 * q6time_now, q6time_record or q6time_wait has used since. Every waiting
 * reader of every process and account sees every publication, at once as a
 * rule and within 10 ms at the most; no other process can hide one from it
 * or make it see one that the agent did not make. */
Q6TIME_EXPORT int q6time_wait(q6time_reader* reader, uint32_t timeout_ms);

/* A short English text for a status; "unknown status" for any other number. */
Q6TIME_EXPORT const char* q6time_strerror(int status);

#ifdef __cplusplus
}
#endif

#endif /* Q6TIME_H */
