#include "grid/grid_cell.h"

namespace zentiq {

void CGridCell::reset(std::uint32_t format) {
    m_text.clear();
    m_font.reset();
    m_data = 0;
    m_image = -1;
    m_margin = -1;
    m_state = 0;
    m_format = format;
    m_textColour = kDefaultColour;
    m_bkColour = kDefaultColour;
}

}  // namespace zentiq
