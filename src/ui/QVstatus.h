#pragma once

// TqvStatusBar: a status bar of fixed-width panels, the last one taking the rest of the bar. Plain panels
// show their text; owner-drawn panels are painted by whoever handles DrawPanel. Child widgets may be
// placed on it. User-interface thread only.

#include <QStatusBar>
#include <QString>
#include <QVector>

class QPainter;

namespace quorvane {

struct TStatusPanel {
    QString Text;           // the panel's text (an owner-drawn panel's display text)
    int Width = -1;         // pixels; -1 for the last panel, which takes the rest
    bool OwnerDraw = false; // painted through DrawPanel
};

class TqvStatusBar : public QStatusBar {
    Q_OBJECT
public:
    explicit TqvStatusBar(QWidget* Parent = nullptr);

    // Appends a panel.
    void AddPanel(const QString& Text, int Width, bool OwnerDraw);
    // The panels, left to right.
    const QVector<TStatusPanel>& Panels() const { return PanelList; }
    // Sets a plain panel's text and repaints.
    void SetPanelText(int Index, const QString& Text);
    // The panel's rectangle in the bar's client coordinates (empty for an unknown index).
    QRect PanelRect(int Index) const;

signals:
    // Paint request for an owner-drawn panel; the painter is clipped to Rect.
    void DrawPanel(QPainter* Painter, int Index, const QRect& Rect);

protected:
    void paintEvent(QPaintEvent* Event) override;

private:
    QVector<TStatusPanel> PanelList;
};

} // namespace quorvane
