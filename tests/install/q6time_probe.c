/* A program of a library user, built against the installed tree only: each
 * case reads through libq6time and prints what it got.
 *   q6time_probe now             the server time now, as text
 *   q6time_probe record          the published record
 *   q6time_probe wait COUNT      "ready", the record now, then each of the
 *                                next COUNT records
 *   q6time_probe status NAME     the status of the case that NAME names */
#include <q6time.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/resource.h>
#include <unistd.h>

static const char* const kStatusNames[] = {
    "Q6TIME_OK",         "Q6TIME_NO_RECORD", "Q6TIME_BAD_RECORD", "Q6TIME_TIMEOUT",
    "Q6TIME_NO_LIBRARY", "Q6TIME_INVALID",   "Q6TIME_SYSTEM",     "Q6TIME_TOO_SMALL"};
enum { kStatusCount = sizeof(kStatusNames) / sizeof(kStatusNames[0]) };

static int Fail(const char* what, int status) {
    printf("%s: %s\n", what, status >= 0 && status < kStatusCount ? kStatusNames[status] : "?");
    return 1;
}

static q6time_reader* Open(void) {
    q6time_reader* reader = NULL;
    const int status = q6time_open(Q6TIME_NORMAL, &reader);
    if (status != Q6TIME_OK) {
        Fail("q6time_open", status);
        exit(1);
    }
    return reader;
}

static int PrintRecord(q6time_reader* reader) {
    char record[65536];
    size_t size = 0;
    const int status = q6time_record(reader, record, sizeof(record), &size);
    if (status != Q6TIME_OK) {
        return Fail("q6time_record", status);
    }
    printf("%s\n", record);
    return 0;
}

static int PrintNow(void) {
    q6time_reader* reader = Open();
    uint64_t now = 0;
    char text[20];
    int status = q6time_now(reader, &now);
    if (status == Q6TIME_OK) {
        status = q6time_format(now, text);
    }
    q6time_close(reader);
    if (status != Q6TIME_OK) {
        return Fail("q6time_now", status);
    }
    printf("%s\n", text);
    return 0;
}

static int WaitFor(int count) {
    q6time_reader* reader = Open();
    printf("ready\n");
    /* The record it starts from, which it has seen. */
    if (PrintRecord(reader) != 0) {
        return 1;
    }
    fflush(stdout);
    for (int i = 0; i < count; ++i) {
        const int status = q6time_wait(reader, 60000);
        if (status != Q6TIME_OK) {
            return Fail("q6time_wait", status);
        }
        if (PrintRecord(reader) != 0) {
            return 1;
        }
        fflush(stdout);
    }
    q6time_close(reader);
    return 0;
}

/* The first status that the call of the case gives. */
static int StatusOfOpenReader(const char* name) {
    q6time_reader* reader = NULL;
    int status = q6time_open(Q6TIME_NORMAL, &reader);
    if (status != Q6TIME_OK) {
        return status;
    }
    uint64_t now = 0;
    char small[1];
    size_t size = 0;
    if (strcmp(name, "Q6TIME_TIMEOUT") == 0) {
        status = q6time_wait(reader, 20);
    } else if (strcmp(name, "Q6TIME_TOO_SMALL") == 0) {
        status = q6time_record(reader, small, sizeof(small), &size);
    } else {
        status = q6time_now(reader, &now);
    }
    q6time_close(reader);
    return status;
}

/* Leaves this process no file descriptor to open. */
static void UseUpFileDescriptors(void) {
    const int lowestFree = dup(0);
    close(lowestFree);
    const struct rlimit limit = {(rlim_t)lowestFree, (rlim_t)lowestFree};
    setrlimit(RLIMIT_NOFILE, &limit);
}

static int StatusOf(const char* name) {
    char text[20];
    q6time_reader* reader = NULL;
    if (strcmp(name, "Q6TIME_OK") == 0) {
        return q6time_format(0, text);
    }
    if (strcmp(name, "Q6TIME_INVALID") == 0) {
        return q6time_open((enum q6time_edition)2, &reader);
    }
    if (strcmp(name, "Q6TIME_SYSTEM") == 0) {
        UseUpFileDescriptors();
    }
    return StatusOfOpenReader(name);
}

int main(int argc, char** argv) {
    if (argc == 2 && strcmp(argv[1], "now") == 0) {
        return PrintNow();
    }
    if (argc == 2 && strcmp(argv[1], "record") == 0) {
        q6time_reader* reader = Open();
        const int result = PrintRecord(reader);
        q6time_close(reader);
        return result;
    }
    if (argc == 3 && strcmp(argv[1], "wait") == 0) {
        return WaitFor(atoi(argv[2]));
    }
    if (argc == 3 && strcmp(argv[1], "status") == 0) {
        const int status = StatusOf(argv[2]);
        printf("%s\n", status >= 0 && status < kStatusCount ? kStatusNames[status] : "?");
        return 0;
    }
    fprintf(stderr, "usage: q6time_probe now|record|wait COUNT|status NAME\n");
    return 2;
}
