#include "StoreHealth.h"

StoreHealth::Change StoreHealth::record(const StoreWrite& write) {
    if (write.isRefused()) {
        m_reason = write.reason;
        if (m_failing)
            return Change::None;
        m_failing = true;
        return Change::StartedFailing;
    }
    if (!m_failing)
        return Change::None;
    m_failing = false;
    return Change::Recovered;
}
