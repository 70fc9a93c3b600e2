#include <QApplication>
#include <gtest/gtest.h>

// Widget tests drive the real windows without a display.
int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // Sound goes to files through SDL's disk driver, never to a sound card.
    qputenv("SDL_AUDIODRIVER", "disk");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
