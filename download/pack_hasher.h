// The BLAKE2b-512 digest of a pack, worked out beside its download: the worker hands every
// piece it writes to Update, which copies it into a block; full blocks are hashed on a thread
// of the hasher's own, so the transfer does not wait for the hash (when no thread can be
// started, blocks are hashed on the caller's thread as they fill).
#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

#include "download/signature_crypto.h"

class PackHasher {
public:
    // Bytes per block handed to the hashing thread.
    static constexpr size_t kBlockSize = 1024 * 1024;
    // Blocks that may wait for the hashing thread before Update waits in turn; bounds memory.
    static constexpr size_t kMaxWaitingBlocks = 8;

    PackHasher();
    // Stops the hashing thread, dropping what it has not hashed yet.
    ~PackHasher();
    PackHasher(const PackHasher&) = delete;
    PackHasher& operator=(const PackHasher&) = delete;

    void Update(const void* data, size_t count);
    // Hashes what is left, stops the thread and gives the digest of every byte handed in.
    // Nothing may be handed in afterwards; a second call gives the same digest.
    Blake2b512Digest Finish();

private:
    void HandOver();
    void HashBlocks();
    void Stop();

    Blake2b512 m_hash;  // used by the hashing thread until it has stopped
    std::vector<uint8_t> m_block;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<std::vector<uint8_t>> m_waiting;  // full blocks, oldest first
    std::vector<std::vector<uint8_t>> m_spare;   // hashed blocks, for reuse
    bool m_ending = false;    // no more blocks come; hash the waiting ones and stop
    bool m_dropping = false;  // stop at once
    bool m_finished = false;
    Blake2b512Digest m_digest{};
    std::thread m_thread;
};
