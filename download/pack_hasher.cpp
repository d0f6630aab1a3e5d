#include "download/pack_hasher.h"

#include <algorithm>
#include <system_error>

PackHasher::PackHasher() {
    m_block.reserve(kBlockSize);
    try {
        m_thread = std::thread([this] { HashBlocks(); });
    } catch (const std::system_error&) {
        // No thread to spare: the blocks are hashed as they fill, on the caller's thread.
    }
}

PackHasher::~PackHasher() {
    {
        std::lock_guard lock(m_mutex);
        m_dropping = true;
    }
    Stop();
}

void PackHasher::Update(const void* data, size_t count) {
    if (m_finished)
        return;
    const auto* bytes = static_cast<const uint8_t*>(data);
    while (count > 0) {
        const size_t room = kBlockSize - m_block.size();
        const size_t take = std::min(room, count);
        m_block.insert(m_block.end(), bytes, bytes + take);
        bytes += take;
        count -= take;
        if (m_block.size() == kBlockSize)
            HandOver();
    }
}

// Queues the current block and takes a fresh one, waiting while too many blocks wait.
void PackHasher::HandOver() {
    if (!m_thread.joinable()) {
        m_hash.Update(m_block.data(), m_block.size());
        m_block.clear();
        return;
    }
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [this] { return m_waiting.size() < kMaxWaitingBlocks; });
    m_waiting.push_back(std::move(m_block));
    if (m_spare.empty()) {
        m_block = std::vector<uint8_t>();
        m_block.reserve(kBlockSize);
    } else {
        m_block = std::move(m_spare.back());
        m_spare.pop_back();
    }
    m_changed.notify_all();
}

void PackHasher::HashBlocks() {
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_changed.wait(lock, [this] { return m_dropping || m_ending || !m_waiting.empty(); });
        if (m_dropping || (m_ending && m_waiting.empty()))
            return;
        std::vector<uint8_t> block = std::move(m_waiting.front());
        m_waiting.pop_front();
        m_changed.notify_all();
        lock.unlock();
        m_hash.Update(block.data(), block.size());
        block.clear();
        lock.lock();
        m_spare.push_back(std::move(block));
    }
}

void PackHasher::Stop() {
    m_changed.notify_all();
    if (m_thread.joinable())
        m_thread.join();
}

Blake2b512Digest PackHasher::Finish() {
    if (m_finished)
        return m_digest;
    {
        std::lock_guard lock(m_mutex);
        m_ending = true;
    }
    Stop();
    // The thread has stopped: the last, partial block is hashed here.
    m_hash.Update(m_block.data(), m_block.size());
    m_block.clear();
    m_digest = m_hash.Final();
    m_finished = true;
    return m_digest;
}
