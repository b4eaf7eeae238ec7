#pragma once

#include "CadConsEdicao.h"

#include <QString>
#include <QStringList>
#include <QVariant>

#include <initializer_list>
#include <vector>

namespace kvt {
class DataSet;
class MemTable;
} // namespace kvt

namespace cadcons {

// A column copied into a field (a cadcons::Campo).
struct ColunaCampo
{
    const char *coluna;
    int campo;
};

// Copies columns of the current row into the fields, as text; dates in the short date format.
// Every column is looked up first, so a missing one fails before anything is written.
void copiaColunas(CadConsEdicao::Textos &textos, const kvt::DataSet &origem,
                  const std::vector<ColunaCampo> &colunas);

// Empties the fields.
void limpa(CadConsEdicao::Textos &textos, std::initializer_list<int> campos);

// Loads a service packet into the table; a call that failed with an error text reports that
// text instead of a complaint about the packet.
void carrega(kvt::MemTable &tabela, const QVariant &resultado, const QString &funcao);

// The consumer's columns of these fields and of their name displays, as the field table names
// them; every look-up answer uses the consumer's column names.
std::vector<ColunaCampo> colunasDe(std::initializer_list<int> campos);
// Those of every field, for the edit load and the search.
const std::vector<ColunaCampo> &colunasConsumidor();

// The consumer's three telephone columns, and the forms a telephone is looked up in: as given,
// its digits (what the save stores) and its digits in the mask (what older programs stored).
const QStringList &colunasTelefone();
QStringList formasTelefone(const QString &telefone);

} // namespace cadcons
