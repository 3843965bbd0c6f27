// One cell of the grid with its own attributes. A value type without virtual
// functions so that a table of them is one contiguous block; the window draws
// it using the matching default cell for every attribute left at default.
#pragma once

#include <QFont>
#include <QString>
#include <cstdint>
#include <optional>

#include "grid/grid_types.h"

namespace zentiq {

class CGridCell {
public:
    const QString& text() const { return m_text; }
    void setText(const QString& text) { m_text = text; }

    int image() const { return m_image; }
    void setImage(int image) { m_image = image; }

    std::intptr_t data() const { return m_data; }
    void setData(std::intptr_t data) { m_data = data; }

    std::uint32_t state() const { return m_state; }
    void setState(std::uint32_t state) { m_state = state; }
    bool hasState(std::uint32_t bits) const { return (m_state & bits) == bits; }
    void addState(std::uint32_t bits) { m_state |= bits; }
    void removeState(std::uint32_t bits) { m_state &= ~bits; }

    std::uint32_t format() const { return m_format; }
    void setFormat(std::uint32_t format) { m_format = format; }

    GridColour textColour() const { return m_textColour; }
    void setTextColour(GridColour c) { m_textColour = c; }
    GridColour backgroundColour() const { return m_bkColour; }
    void setBackgroundColour(GridColour c) { m_bkColour = c; }

    // The cell's own font, or none when it uses its default cell's font.
    const std::optional<QFont>& font() const { return m_font; }
    void setFont(const QFont& font) { m_font = font; }
    void clearFont() { m_font.reset(); }

    int margin() const { return m_margin; }
    void setMargin(int margin) { m_margin = margin; }

    // Back to a fresh cell: empty text, every attribute at default, the given
    // text format.
    void reset(std::uint32_t format);

private:
    QString m_text;
    std::optional<QFont> m_font;
    std::intptr_t m_data = 0;
    int m_image = -1;
    int m_margin = -1;
    std::uint32_t m_state = 0;
    std::uint32_t m_format = 0;
    GridColour m_textColour = kDefaultColour;
    GridColour m_bkColour = kDefaultColour;
};

}  // namespace zentiq
