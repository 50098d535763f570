#pragma once

#include <QString>

#include <array>

namespace orvelan {

// The two stacks of letter tabs beside the page: the tabs already passed stand on the right,
// the tabs still ahead on the left. Each letter tab k (1..25) has a label in each stack, L(k)
// and R(k); the page panels move 8 twips to the right per open tab.
class TabStrip {
public:
    static constexpr int LeftPanelBase = 100;   // Picture2, twips
    static constexpr int RightPanelBase = 3500; // Picture3, twips
    static constexpr int PanelStep = 8;         // twips per tab
    static constexpr int CoverOpenTop = 90;     // Picture1 with the book open
    static constexpr int CoverClosedTop = 6090; // Picture1 with the book at tab 0

    TabStrip() { reset(); }

    // Start state: every left label shown, every right label hidden.
    void reset();
    // Tab t opened from the left stack: labels 1..t move to the right stack.
    void chooseForward(int t);
    // Right label t clicked: labels t..25 move back to the left stack.
    void chooseBack(int t);

    bool leftVisible(int k) const { return m_left[k]; }
    bool rightVisible(int k) const { return m_right[k]; }
    int leftPanelLeft() const { return m_leftPanel; }
    int rightPanelLeft() const { return m_rightPanel; }

    int coverTop() const { return m_coverTop; }
    void setCoverTop(int twips) { m_coverTop = twips; }
    // The closed position: the page panel stands lower than 6000 twips.
    bool closed() const { return m_coverTop > 6000; }

    // Object names of the labels of letter tab k: "LALa" .. "LZLa", "LJLa" for "I J".
    static QString leftName(int k);
    static QString rightName(int k);
    // The letter a tab label shows: "A" .. "Z", "I J" for tab 9.
    static QString caption(int k);
    // The letter tab a letter belongs to (I and J both 9), or -1.
    static int tabOfLetter(QChar letter);

private:
    std::array<bool, 26> m_left{};
    std::array<bool, 26> m_right{};
    int m_leftPanel = LeftPanelBase;
    int m_rightPanel = RightPanelBase;
    int m_coverTop = CoverOpenTop;
};

} // namespace orvelan
