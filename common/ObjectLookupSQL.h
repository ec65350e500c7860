#pragma once
// Catalog queries behind code completion.
//
// Kinds 0 to 15 test whether one object of a kind exists in a schema (the
// caller reads only whether a row comes back; parameters :OWNER and the
// kind's name parameter, kind 2 only :SCHNM):
//   0 table :TBLNM, 1 view :VIWNM, 2 schema :SCHNM, 3 index :IDXNM,
//   4 function :FNCNM, 5 type :TYPNM, 6 trigger :TRGNM, 7 sequence :SEQNM,
//   8 constraint :CONNM, 9 rule :RULENM, 10 materialized view :MVIWNM,
//   11 aggregate :AGRGNM, 12 procedure :FNCNM, 13 package :FNCNM,
//   14 synonym :SYNNM, 15 database link :SYNNM (12 to 15 only on EnterpriseDB).
// Kind 16 lists every object of schema :OWNER as ObjNm, ObjTyp, ObjNo.
// Kind 17 lists the columns of :OWNER.:TBLNM (table, view or materialized
// view) with their type data, ordered by ORDNO. Kind 18 lists the
// primary-key columns of :OWNER.:TBLNM.
#include <QString>

// The query text of a lookup kind for a server of that version and flavour;
// the empty text for any other kind.
QString BuildObjectLookupSQL(int Kind, bool IsEdb, int ServerVersion);
