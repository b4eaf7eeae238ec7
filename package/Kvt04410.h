#pragma once

#include <QString>
#include <QVariant>
#include <QVariantList>

// The module's exported interface, as the host resolves it by name at run time.

// Opens the consumer registration screen modally. arParams: 0 client code, 1 consumer code,
// 2 telephone, 3 mode. Returns "SAIR", the first telephone's digits after a save, or the empty
// text when the screen could not be shown; element 0 of oleRetorno receives the consumer code
// when the screen knew one.
using CriaTelaKvt04410Fn = QString (*)(QVariantList arParams, QVariant &oleRetorno);

// Module hooks: run the units' initialisation and finalisation; the information table names
// the module and its entry point.
struct PackageInfo
{
    const char *name;
    const char *version;
    const char *entryPoint;
};
using InitializeFn = void (*)();
using FinalizeFn = void (*)();
using GetPackageInfoTableFn = const PackageInfo *(*)();
