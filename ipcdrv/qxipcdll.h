#pragma once
/*
 * qxipcdll.dll: the IPC driver library. Processes hand data to each other
 * through data slots, each named by a 32-bit identifier.
 *
 * Every slot is one shared-memory object of the machine (in /dev/shm/q6tsa,
 * a folder that only root can change) that holds a copy of the last value
 * written (0 to QXIPC_MAX_DATA_SIZE bytes). The slots are machine-wide and
 * root's: every account reads them (mode 0644), and a reader uses a slot
 * only when root made it. Only root writes, replaces and removes slots and
 * the control block; for any other account fnSetData, fnDeleteData,
 * fnUnloadIpcDriver, fnUninstallIpcDriver and the making or mending of the
 * control block fail with 0, so that no account can put a value where
 * another account's reader would take it for root's. Readers never block a
 * writer and never see a torn value: each write goes into the slot's spare
 * buffer under a sequence counter and then becomes the current one, so a
 * writer that dies in the middle of a write leaves the previous value
 * readable. No call of the library waits for another process: a write
 * waits at most QXIPC_WRITE_WAIT_MS for another writer of the same slot, and
 * fails when that writer was stopped in the middle of its write (a debugger,
 * SIGSTOP); the slot then keeps its value.
 *
 * "The driver" is the shared control block: loading the driver creates it or
 * checks it, and every data operation fails while it is missing or damaged.
 *
 * While the library stays loaded, a process keeps the mapping of every slot
 * it has read or written, and of the control block, and uses it again: a read
 * or a write then costs a few hundred nanoseconds. A kept mapping is never
 * trusted past its object's life: an object that this library replaces or
 * removes (damage, recovery, fnDeleteData, fnUnloadIpcDriver,
 * fnUninstallIpcDriver) is marked so first and every process sees it at its
 * next call; one removed or replaced by anything else (an administrator) is
 * seen within QXIPC_KEPT_RECHECK_MS and the clock's coarseness, 60 ms at the
 * most. Unloading the library unmaps every kept mapping.
 *
 * Results: unless said otherwise an int32_t is 1 for success and 0 for
 * failure. Setting the debug level to 1 or more reports each failure, with
 * its reason, on standard error.
 *
 * The environment variable Q6_SHM_NAMESPACE (1 to 32 letters, digits, '-',
 * '_') puts the control block and the slots into a namespace of their own,
 * apart from the machine's; tests use it.
 */

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#define QXIPC_EXPORT __attribute__((visibility("default")))

/* At most this long, plus a few milliseconds, a process goes on using a
 * kept mapping of an object removed from outside the library. */
#define QXIPC_KEPT_RECHECK_MS 50u

/* At most this long, plus the system's scheduling delay, a write waits for
 * another writer of the same slot before it fails. */
#define QXIPC_WRITE_WAIT_MS 50u

/* fnWaitData: the timeout that never ends, and the longest a waiter sleeps
 * before it looks at the slot again. */
#define QXIPC_WAIT_INFINITE 0xFFFFFFFFu
#define QXIPC_WAIT_STEP_MS 5u

/* Largest value a slot holds, in bytes. */
#define QXIPC_MAX_DATA_SIZE 65536u

/* A version as fnGetIpcDiverVersion gives it: major in the high 16 bits,
 * minor in the low. */
#define QXIPC_MAKE_VERSION(major, minor) ((uint32_t)(((uint32_t)(major) << 16) | (uint32_t)(minor)))

/* Creates the control block (root only), or checks the one that exists: 1
 * when data slots can be used, 0 when the control block is damaged or cannot
 * be made. */
QXIPC_EXPORT int32_t fnLoadIpcDriver(void);

/* Removes the control block; the slots stay but cannot be used until the
 * driver is loaded again. 1 when no control block is left. */
QXIPC_EXPORT int32_t fnUnloadIpcDriver(void);

/* Unloads the driver and removes every data slot. 1 when nothing is left;
 * slots of other accounts stay unless the caller may remove them. */
QXIPC_EXPORT int32_t fnUninstallIpcDriver(void);

/* 1 when the control block exists and is sound. */
QXIPC_EXPORT int32_t fnIsLoadedIpcDriver(void);

/* 1 when the machine's object folder is in place and sound (for root: can
 * be made). */
QXIPC_EXPORT int32_t fnIsInstalledIpcDriver(void);

/* The version of the q6tsa release that built this library, the project's
 * one version (PROJECT_VERSION), without its patch level: release 1.0.x
 * gives QXIPC_MAKE_VERSION(1, 0). q6ipc --version prints the same release. */
QXIPC_EXPORT uint32_t fnGetIpcDiverVersion(void);

/* Sets this process's debug level (0 silent, the default; 1 or more reports
 * failures on standard error) and returns the previous one. A negative level
 * counts as 0. */
QXIPC_EXPORT int32_t fnSetIpcDebugLevel(int32_t level);

/* Rebuilds a missing or damaged control block; a sound one is kept. 1 when a
 * sound control block is in place afterwards. */
QXIPC_EXPORT int32_t fnIpcFixDriverConfig(void);

/* Stores a copy of size bytes at data in slot id, creating the slot when it
 * is missing (root only). 0 when the caller is not root, the driver is not
 * loaded, data is null while size is not 0, or size exceeds
 * QXIPC_MAX_DATA_SIZE. */
QXIPC_EXPORT int32_t fnSetData(uint32_t id, const void* data, uint32_t size);

/* Size of slot id's value in *size. 0, with *size set to 0, when the driver
 * is not loaded or the slot is missing or damaged. */
QXIPC_EXPORT int32_t fnGetDataSize(uint32_t id, uint32_t* size);

/* Copies slot id's value into buffer (capacity bytes) and its size into
 * *size. 0 when the driver is not loaded or the slot is missing or damaged
 * (*size is then 0), and when the value does not fit: *size then tells the
 * capacity needed. buffer may be null when capacity is 0. */
QXIPC_EXPORT int32_t fnGetData(uint32_t id, void* buffer, uint32_t capacity, uint32_t* size);

/* Removes slot id. 1 when the slot is gone (or was not there); 0 when the
 * driver is not loaded or the slot cannot be removed. */
QXIPC_EXPORT int32_t fnDeleteData(uint32_t id);

/* An export of this library beyond the twelve that the agent binds: a number
 * in *stamp that changes whenever slot id comes to hold another value, read
 * in one consistent step without copying the value. Within this process, and
 * while the library stays loaded, a stamp never comes back, so a reader that
 * finds the stamp of its last read may keep what it made of that value.
 * 0 (*stamp then 0) when the driver is not loaded or the slot is missing. */
QXIPC_EXPORT int32_t fnGetDataStamp(uint32_t id, uint64_t* stamp);

/* Another export beyond the twelve: waits at most timeoutMs (or for ever,
 * QXIPC_WAIT_INFINITE) until slot id holds a value whose stamp
 * (fnGetDataStamp) is not stamp, and returns 1 then, at once when it does
 * already; 0 when the time ran out first. A stamp of 0 waits for any value.
 * A slot that is missing, or a driver that is not loaded, is waited for.
 *
 * Every waiter of every process sees every write: a write wakes them all,
 * through a word of the slot that only the slot's owner can change, and a
 * waiter that another account woke for nothing looks at the slot and sleeps
 * again. Since any process that maps the slot can divert the sleepers of
 * that word (FUTEX_REQUEUE), a waiter also looks at the slot every
 * QXIPC_WAIT_STEP_MS: such a write is seen that much later, never missed. */
QXIPC_EXPORT int32_t fnWaitData(uint32_t id, uint64_t stamp, uint32_t timeoutMs);

/* Another export beyond the twelve: why the calling thread's last failed
 * call failed, as text ("fnSetData(0x30000259): ..."), copied into buffer
 * and cut to capacity - 1 bytes; returns the bytes copied without the
 * terminator, 0 when no call of this thread has failed. */
QXIPC_EXPORT uint32_t fnGetIpcLastError(char* buffer, uint32_t capacity);

/* The calling shapes, for callers that bind the exports at run time. */
typedef int32_t (*PFN_IPC_VOID)(void);
typedef uint32_t (*PFN_IPC_VERSION)(void);
typedef int32_t (*PFN_IPC_SET_DEBUG_LEVEL)(int32_t level);
typedef int32_t (*PFN_IPC_SET_DATA)(uint32_t id, const void* data, uint32_t size);
typedef int32_t (*PFN_IPC_GET_DATA_SIZE)(uint32_t id, uint32_t* size);
typedef int32_t (*PFN_IPC_GET_DATA)(uint32_t id, void* buffer, uint32_t capacity, uint32_t* size);
typedef int32_t (*PFN_IPC_DELETE_DATA)(uint32_t id);
typedef int32_t (*PFN_IPC_GET_DATA_STAMP)(uint32_t id, uint64_t* stamp);
typedef int32_t (*PFN_IPC_WAIT_DATA)(uint32_t id, uint64_t stamp, uint32_t timeoutMs);
typedef uint32_t (*PFN_IPC_GET_LAST_ERROR)(char* buffer, uint32_t capacity);

#ifdef __cplusplus
}
#endif
