#pragma once

#include <cstdint>

#include "platform/Outlets.h"

// editChangeFlag: 1 while the log holds changes not yet saved, 0 once it is saved, opened or
// new. It is set and cleared all over the program, so the flag itself tells the windows'
// mark as it turns on or off, and no change or save can slip past the mark.
class ChangeFlag {
public:
    // The outlets are read at each change: a front end connects its mark after start-up.
    explicit ChangeFlag(const platform::Outlets& outlets) : m_outlets(outlets) {}
    ChangeFlag(const ChangeFlag&) = delete;

    ChangeFlag& operator=(std::uint8_t value) {
        const bool was = m_value != 0;
        m_value = value;
        if (was != (value != 0))
            m_outlets.unsavedMark->showUnsaved(value != 0);
        return *this;
    }
    ChangeFlag& operator=(const ChangeFlag&) = delete;
    operator std::uint8_t() const { return m_value; }

    // Shows the flag as it is now, for a mark connected after it was last changed.
    void show() const { m_outlets.unsavedMark->showUnsaved(m_value != 0); }

private:
    const platform::Outlets& m_outlets;
    std::uint8_t m_value = 0;
};
