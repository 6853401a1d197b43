#pragma once

/*
** The engine's live handles, found without a lock.
**
** A handle is a slot number and the slot's generation packed into one
** pointer-sized value: the slot number (plus one, so no handle is null) in
** the low 32 bits and the generation in the high 32.  Slots live in chunks
** that never move once made, so a call goes straight from its handle to the
** slot, compares the generation and the kind, and uses the object: no lock,
** no map search, no cast.  Closing a handle bumps the slot's generation, so
** a stale or made-up handle is refused just as an unknown one is.
**
** A call pins the slot for its duration (one atomic increment and one
** decrement on the slot itself).  Removing a handle bumps the generation
** first and then waits until no call has the slot pinned, so closing a
** handle on one thread while another thread is inside a call on it never
** frees what that call uses.  Adding and removing take the table's mutex;
** pinning does not.
*/

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <utility>
#include <vector>

namespace quillon::enginelib {

enum class HandleKind : uint8_t { Database, Cursor, List };

struct HandleObject
{
    explicit HandleObject(HandleKind k) : kind(k) {}
    virtual ~HandleObject() = default;
    const HandleKind kind;
};

class HandleTable
{
    struct Slot
    {
        std::atomic<uint32_t> generation{1};
        std::atomic<uint32_t> pins{0};
        std::atomic<HandleObject *> object{nullptr};
        std::shared_ptr<HandleObject> owner; // changed only under the table's mutex
    };

public:
    // A call's hold on a live handle's object; the object stays alive while it lasts.
    template <class T>
    class Pin
    {
    public:
        Pin(Slot *slot, T *object) : m_slot(slot), m_object(object) {}
        Pin(Pin &&other) noexcept : m_slot(std::exchange(other.m_slot, nullptr)), m_object(other.m_object) {}
        Pin(const Pin &) = delete;
        Pin &operator=(const Pin &) = delete;
        ~Pin()
        {
            if (m_slot)
                m_slot->pins.fetch_sub(1, std::memory_order_release);
        }
        explicit operator bool() const { return m_slot != nullptr; }
        T *operator->() const { return m_object; }
        T &operator*() const { return *m_object; }

    private:
        Slot *m_slot;
        T *m_object;
    };

    HandleTable() = default;
    ~HandleTable();
    HandleTable(const HandleTable &) = delete;
    HandleTable &operator=(const HandleTable &) = delete;

    const void *add(std::shared_ptr<HandleObject> object);

    // The live object of handle if it is of kind; an empty pin otherwise.
    template <class T>
    Pin<T> pin(const void *handle, HandleKind kind) const
    {
        Slot *slot = slotOf(handle);
        if (!slot)
            return {nullptr, nullptr};
        slot->pins.fetch_add(1, std::memory_order_seq_cst);
        HandleObject *object = slot->object.load(std::memory_order_acquire);
        if (slot->generation.load(std::memory_order_seq_cst) != generationOf(handle) || !object ||
            object->kind != kind) {
            slot->pins.fetch_sub(1, std::memory_order_release);
            return {nullptr, nullptr};
        }
        return {slot, static_cast<T *>(object)};
    }

    // Removes a live handle of kind, and with it every handle for which
    // also() holds; their objects come back once no call uses them any
    // more, for the caller to destroy.  Nothing when handle is not live or
    // of another kind.  The calling thread must not hold a pin on them.
    std::vector<std::shared_ptr<HandleObject>> remove(const void *handle, HandleKind kind,
                                                      const std::function<bool(const HandleObject &)> &also);
    // Removes every handle; the objects come back as remove() gives them.
    std::vector<std::shared_ptr<HandleObject>> removeAll();

private:
    static constexpr uint32_t kChunkBits = 10;
    static constexpr uint32_t kChunkSize = 1u << kChunkBits;
    static constexpr uint32_t kChunks = 4096; // room for 4 million live handles

    static uint32_t generationOf(const void *handle) { return uint32_t(reinterpret_cast<uintptr_t>(handle) >> 32); }
    Slot *slotOf(const void *handle) const;
    // Takes slot index out (under the mutex): its generation moves on, so
    // every handle of it is stale from now on.
    std::shared_ptr<HandleObject> takeOut(uint32_t index);
    // Waits until no call has the slots pinned, then lets them be reused.
    void settle(const std::vector<uint32_t> &indexes);

    mutable std::mutex m_mutex;
    std::atomic<Slot *> m_chunks[kChunks] = {};
    uint32_t m_used = 0;             // slots handed out at least once
    std::vector<uint32_t> m_free;    // slots to hand out again
};

} // namespace quillon::enginelib
