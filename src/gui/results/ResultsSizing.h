#pragma once

#include <QObject>
#include <QSize>

class QMainWindow;
class QProgressBar;
class QPushButton;
class ResultGrid;

// The results window's size and the places of its controls, worked out in twips by the layout arithmetic and
// applied in pixels of the window's screen. It follows the window's own resizes and moves.
class ResultsSizing final : public QObject
{
public:
    ResultsSizing(QMainWindow* window, ResultGrid* grid, QProgressBar* bar, QPushButton* button);
    bool eventFilter(QObject* watched, QEvent* event) override;

    // Sizes the columns and rows of a freshly filled grid, then the window around them.
    void LayoutGrid(int columns);
    void CalcFormSize();
    // After the user or the program resized the window: the rule may snap it back, and places the controls.
    void Form_Resize();
    // The width in twips that column `col` needs for its heading.
    qint16 GetColwidth(qint16 col) const;

    double ContentWidth = 0;
    double ContentHeight = 0;
    double DesiredWidth = 0;
    double DesiredHeight = 0;

private:
    double dpi() const;
    // Sizes the window to the desired size with the frame it has now, inside the screen's work area.
    void fitWindow();
    // The layout's sizes include the frame and title bar; Qt sizes the inside.
    QSize frameExtra() const;

    QMainWindow* m_window;
    ResultGrid* m_grid;
    QProgressBar* m_bar;
    QPushButton* m_button;
    bool m_resizing = false;
    QSize m_extraUsed;
};
