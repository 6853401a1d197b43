#include "enginelib/handletable.h"

#include "enginelib/engineerror.h"

#include <thread>

namespace quillon::enginelib {

static_assert(sizeof(void *) >= 8, "handles pack a slot number and a generation into 64 bits");

HandleTable::~HandleTable()
{
    for (auto &chunk : m_chunks)
        delete[] chunk.load();
}

HandleTable::Slot *HandleTable::slotOf(const void *handle) const
{
    const uint32_t number = uint32_t(reinterpret_cast<uintptr_t>(handle));
    if (number == 0 || number > kChunks * kChunkSize)
        return nullptr;
    const uint32_t index = number - 1;
    Slot *chunk = m_chunks[index >> kChunkBits].load(std::memory_order_acquire);
    return chunk ? &chunk[index & (kChunkSize - 1)] : nullptr;
}

const void *HandleTable::add(std::shared_ptr<HandleObject> object)
{
    std::lock_guard lock(m_mutex);
    uint32_t index;
    if (!m_free.empty()) {
        index = m_free.back();
        m_free.pop_back();
    } else {
        if (m_used == kChunks * kChunkSize)
            throw EngineError(QDBIERR_OUTOFMEMORY, "Too many open handles (" + std::to_string(m_used) + ")");
        index = m_used++;
        auto &chunk = m_chunks[index >> kChunkBits];
        if (!chunk.load(std::memory_order_relaxed))
            chunk.store(new Slot[kChunkSize], std::memory_order_release);
    }
    Slot &slot = m_chunks[index >> kChunkBits].load(std::memory_order_relaxed)[index & (kChunkSize - 1)];
    slot.owner = std::move(object);
    slot.object.store(slot.owner.get(), std::memory_order_release);
    const uintptr_t value = uintptr_t(slot.generation.load(std::memory_order_relaxed)) << 32 | (index + 1);
    return reinterpret_cast<const void *>(value);
}

std::shared_ptr<HandleObject> HandleTable::takeOut(uint32_t index)
{
    Slot &slot = m_chunks[index >> kChunkBits].load(std::memory_order_relaxed)[index & (kChunkSize - 1)];
    // Generation 0 is never handed out, so a wrap skips it.
    uint32_t next = slot.generation.load(std::memory_order_relaxed) + 1;
    slot.generation.store(next == 0 ? 1 : next, std::memory_order_seq_cst);
    slot.object.store(nullptr, std::memory_order_release);
    return std::move(slot.owner);
}

void HandleTable::settle(const std::vector<uint32_t> &indexes)
{
    for (uint32_t index : indexes) {
        const Slot &slot = m_chunks[index >> kChunkBits].load(std::memory_order_relaxed)[index & (kChunkSize - 1)];
        while (slot.pins.load(std::memory_order_seq_cst) != 0)
            std::this_thread::yield();
    }
    std::lock_guard lock(m_mutex);
    m_free.insert(m_free.end(), indexes.begin(), indexes.end());
}

std::vector<std::shared_ptr<HandleObject>> HandleTable::remove(const void *handle, HandleKind kind,
                                                               const std::function<bool(const HandleObject &)> &also)
{
    std::vector<std::shared_ptr<HandleObject>> objects;
    std::vector<uint32_t> indexes;
    {
        std::lock_guard lock(m_mutex);
        Slot *slot = slotOf(handle);
        if (!slot || slot->generation.load(std::memory_order_relaxed) != generationOf(handle) || !slot->owner ||
            slot->owner->kind != kind)
            return {};
        const uint32_t index = uint32_t(reinterpret_cast<uintptr_t>(handle)) - 1;
        indexes.push_back(index);
        objects.push_back(takeOut(index));
        if (also) {
            for (uint32_t i = 0; i < m_used; ++i) {
                Slot &other = m_chunks[i >> kChunkBits].load(std::memory_order_relaxed)[i & (kChunkSize - 1)];
                if (other.owner && also(*other.owner)) {
                    indexes.push_back(i);
                    objects.push_back(takeOut(i));
                }
            }
        }
    }
    // The mutex is not held here: a call that has a slot pinned may still
    // add a handle of its own before it lets go.
    settle(indexes);
    return objects;
}

std::vector<std::shared_ptr<HandleObject>> HandleTable::removeAll()
{
    std::vector<std::shared_ptr<HandleObject>> objects;
    std::vector<uint32_t> indexes;
    {
        std::lock_guard lock(m_mutex);
        for (uint32_t i = 0; i < m_used; ++i) {
            Slot &slot = m_chunks[i >> kChunkBits].load(std::memory_order_relaxed)[i & (kChunkSize - 1)];
            if (slot.owner) {
                indexes.push_back(i);
                objects.push_back(takeOut(i));
            }
        }
    }
    settle(indexes);
    return objects;
}

} // namespace quillon::enginelib
