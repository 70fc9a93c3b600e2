#include <QCoreApplication>
#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    // Sound goes to files through SDL's disk driver, never to a sound card.
    qputenv("SDL_AUDIODRIVER", "disk");
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
