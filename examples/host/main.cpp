/** @file main.cpp @brief A host program: asks VeFinder for the entries matching a description. */
#include <engine/VeFinder>

#include <QCoreApplication>
#include <QTextStream>

// Usage: vefinder-host INDEX_DIR NAME [SPEC [CODE]]
// Prints the groups of mat ids that quotaSearch returns, one group per line.
// The lexicons and the friso dictionary are looked up in dict/ beside this
// program (dict/MATLEX, dict/UTF-8), as for every host of the library.
int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv); // applicationDirPath() locates dict/
    QTextStream out(stdout);
    QTextStream err(stderr);
    const QStringList args = app.arguments();
    if (args.size() < 3) {
        err << "usage: vefinder-host INDEX_DIR NAME [SPEC [CODE]]\n";
        return 2;
    }
    const QString indexDir = args.at(1);
    const QString name = args.at(2);
    const QString spec = args.value(3);
    const QString code = args.value(4);

    VeFinder finder;
    QList<QStringList> groups;
    int found = 0;
    finder.quotaSearch(groups, code, name, spec, indexDir, &found, /*deepSearch=*/true);

    out << "vefinder " << vefinderVersion() << ": " << groups.size() << " groups\n";
    for (int i = 0; i < groups.size(); ++i)
        out << i << ": " << groups.at(i).join(QLatin1Char(' ')) << '\n';
    out.flush();

    cluceneShutdown(); // once, after the last search
    return 0;
}
