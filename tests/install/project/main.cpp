#include <QCoreApplication>
#include <cstdio>

bool checkEngine();
bool checkLexicon();
bool checkSegment();

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const bool ok = checkEngine() && checkLexicon() && checkSegment();
    std::puts(ok ? "headers ok" : "headers FAILED");
    return ok ? 0 : 1;
}
