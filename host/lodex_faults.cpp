// Faults armed by tests through ILodexFaults. Nothing is armed in normal use,
// and then a check costs one atomic load.
#include <atomic>
#include <mutex>
#include <string>
#include <vector>

#include "host/lodex_objects.h"

namespace lodex {
namespace {

struct Fault {
    std::u16string operation;
    LONG remaining;  // calls until it fires, this one included
    HRESULT result;
};

std::atomic<bool> gArmed{false};
std::mutex gMutex;
std::vector<Fault> gFaults;

}  // namespace

HRESULT CheckFault(std::u16string_view operation)
{
    if (!gArmed.load(std::memory_order_acquire)) return S_OK;
    std::lock_guard lock(gMutex);
    HRESULT result = S_OK;
    for (auto it = gFaults.begin(); it != gFaults.end();) {
        if (it->operation == operation && --it->remaining == 0) {
            if (SUCCEEDED(result)) result = it->result;
            it = gFaults.erase(it);
        } else {
            ++it;
        }
    }
    gArmed.store(!gFaults.empty(), std::memory_order_release);
    return result;
}

HRESULT ArmFault(LPCOLESTR operation, LONG occurrence, HRESULT result)
{
    if (!operation || !*operation || occurrence < 1 || SUCCEEDED(result)) return E_INVALIDARG;
    std::lock_guard lock(gMutex);
    gFaults.push_back(Fault{operation, occurrence, result});
    gArmed.store(true, std::memory_order_release);
    return S_OK;
}

void ClearFaults()
{
    std::lock_guard lock(gMutex);
    gFaults.clear();
    gArmed.store(false, std::memory_order_release);
}

}  // namespace lodex
