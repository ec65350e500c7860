SQL リファレンス (PostgreSQL 15)
{ } で囲んだ部分は省略できます。< > で示した名前の項目も合わせて表示されます。
%%%問い合わせ
【 SELECT 】
SELECT { DISTINCT } 列 { , 列 ... }
  FROM <FROM 句>
  { WHERE 条件 }
  { GROUP BY 列 { , 列 ... } { HAVING 条件 } }
  { ORDER BY 列 { ASC | DESC } { , ... } }
  { LIMIT 件数 } { OFFSET 件数 }
例: SELECT id, name FROM customer WHERE id = 1;
【 FROM 句 】
FROM 表 { 別名 } { , 表 { 別名 } ... }
FROM 表 { INNER | LEFT | RIGHT | FULL } JOIN 表 ON 条件
副問い合わせは括弧で囲み、別名を付けます。 <SELECT>
【 WITH 】
WITH 名前 AS ( 問い合わせ ) { , ... } 問い合わせ
再帰には WITH RECURSIVE を使います。 <SELECT>
%%%データ操作
【 INSERT 】
INSERT INTO 表 { ( 列 { , 列 ... } ) }
  VALUES ( 値 { , 値 ... } ) { , ( ... ) }
INSERT INTO 表 { ( 列 ... ) } <SELECT>
{ ON CONFLICT { ( 列 ) } DO NOTHING | DO UPDATE SET ... }
{ RETURNING 列 { , ... } }
【 UPDATE 】
UPDATE 表 { 別名 } SET 列 = 値 { , 列 = 値 ... }
  { FROM <FROM 句> }
  { WHERE 条件 }
  { RETURNING 列 { , ... } }
【 DELETE 】
DELETE FROM 表 { 別名 }
  { USING 表 { , ... } }
  { WHERE 条件 }
  { RETURNING 列 { , ... } }
【 COPY 】
COPY 表 { ( 列 { , ... } ) } FROM 'ファイル' { WITH ( FORMAT csv { , HEADER } ) }
COPY { 表 | ( 問い合わせ ) } TO 'ファイル' { WITH ( FORMAT csv ) }
%%%定義
【 CREATE TABLE 】
CREATE { TEMPORARY } TABLE { IF NOT EXISTS } 表 (
  列 データ型 { NOT NULL } { DEFAULT 値 } { PRIMARY KEY }
  { , ... }
  { , CONSTRAINT 制約名 <制約> }
) { PARTITION BY { RANGE | LIST | HASH } ( 列 ) }
{ TABLESPACE 表領域 }
【 制約 】
PRIMARY KEY ( 列 { , ... } )
UNIQUE ( 列 { , ... } )
FOREIGN KEY ( 列 ) REFERENCES 表 { ( 列 ) } { ON DELETE CASCADE }
CHECK ( 条件 )
【 ALTER TABLE 】
ALTER TABLE 表 ADD COLUMN 列 データ型
ALTER TABLE 表 DROP COLUMN 列
ALTER TABLE 表 ALTER COLUMN 列 TYPE データ型
ALTER TABLE 表 ADD CONSTRAINT 制約名 <制約>
ALTER TABLE 表 RENAME TO 新しい名前
【 CREATE INDEX 】
CREATE { UNIQUE } INDEX { CONCURRENTLY } 索引名 ON 表 { USING btree | hash | gin | gist } ( 列 { , ... } )
  { INCLUDE ( 列 ) } { WHERE 条件 }
【 CREATE VIEW 】
CREATE { OR REPLACE } VIEW ビュー名 { ( 列 { , ... } ) } AS <SELECT>
【 CREATE MATERIALIZED VIEW 】
CREATE MATERIALIZED VIEW ビュー名 AS <SELECT> { WITH { NO } DATA }
REFRESH MATERIALIZED VIEW { CONCURRENTLY } ビュー名
【 CREATE SEQUENCE 】
CREATE SEQUENCE 順序名 { INCREMENT BY 増分 } { START WITH 開始値 } { CACHE 個数 }
nextval('順序名'), currval('順序名'), setval('順序名', 値)
【 CREATE FUNCTION 】
CREATE { OR REPLACE } FUNCTION 関数名 ( { 引数名 データ型 { , ... } } )
  RETURNS データ型 LANGUAGE plpgsql AS $$
BEGIN
  文;
  RETURN 値;
END;
$$
%%%トランザクション
【 BEGIN 】
BEGIN { ISOLATION LEVEL { READ COMMITTED | REPEATABLE READ | SERIALIZABLE } }
<COMMIT> <ROLLBACK> <SAVEPOINT>
【 COMMIT 】
COMMIT
【 ROLLBACK 】
ROLLBACK { TO SAVEPOINT セーブポイント名 }
【 SAVEPOINT 】
SAVEPOINT セーブポイント名
RELEASE SAVEPOINT セーブポイント名
%%%管理
【 VACUUM 】
VACUUM { ( FULL, ANALYZE, VERBOSE ) } { 表 { ( 列 ) } }
【 ANALYZE 】
ANALYZE { VERBOSE } { 表 { ( 列 { , ... } ) } }
【 EXPLAIN 】
EXPLAIN { ( ANALYZE, BUFFERS, FORMAT { TEXT | JSON } ) } 文
【 GRANT 】
GRANT { SELECT | INSERT | UPDATE | DELETE | ALL } ON 表 TO ロール { WITH GRANT OPTION }
REVOKE { SELECT | ... } ON 表 FROM ロール
