#include "StationStateBox.h"

void StationStateBox::put(std::shared_ptr<const StationState> state) {
    const QMutexLocker lock(&m_lock);
    // The old state leaves with the parameter, after the lock is let go.
    m_state.swap(state);
}

std::shared_ptr<const StationState> StationStateBox::get() const {
    const QMutexLocker lock(&m_lock);
    return m_state;
}
