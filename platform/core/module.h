// The base of every screen module: a presentation model that holds the state
// of one window and offers its steps. A module knows no widgets; its view (in
// the subsystem's ui/ folder) draws it and re-renders on `changed`.
#pragma once

#include <QObject>
#include <QRect>
#include <QString>

namespace kv {

class Module : public QObject {
    Q_OBJECT
public:
    explicit Module(const QString& className, QObject* parent = nullptr);

    const QString& className() const { return className_; }

    bool visible() const { return visible_; }
    // Shows the window in front of the program's other windows.
    void show();
    void hide();
    void bringToFront();
    // Ends the window's life on screen; the main window's close ends the program.
    void close();
    // Asks the view to draw now, while a long step keeps the thread busy.
    void repaint() { emit repaintRequested(); }

    // Tells the view that the state changed.
    void notify() { emit changed(); }

    // Window geometry where the module sets it (screen pixels). A window
    // placed at the origin is centred on the screen by its view.
    QRect geometry;
    void centre() { geometry.moveTopLeft({0, 0}); }

signals:
    // The module's state changed; the view renders it again.
    void changed();
    void frontRequested();
    void closeRequested();
    void repaintRequested();

protected:
    // Called when the window is closed (stored values are written here).
    virtual void onClose() {}

private:
    QString className_;
    bool visible_ = false;
};

}  // namespace kv
