#!/usr/bin/env python3
"""Writes the small xlsx workbooks of the tests (tests/tools/data/bill-shared.xlsx, bill-inline.xlsx)
and data/bill.xlsx (data/bill.csv with a title row and Chinese headers), zipping the XML parts by
hand so that each holds exactly the features it is meant to (shared or inline strings, rich text
with phonetic guides, merged header cells, numbers stored with float noise). Standard library only.

Usage: scripts/make-sample-workbooks.py tests/tools/data data/bill.csv data/bill.xlsx
"""
import zipfile, sys
NS='xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main" xmlns:r="http://schemas.openxmlformats.org/officeDocument/2006/relationships"'
def book(path, sheets, shared=None):
    z=zipfile.ZipFile(path,'w',zipfile.ZIP_DEFLATED)
    ct='<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\n<Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types"><Default Extension="rels" ContentType="application/vnd.openxmlformats-package.relationships+xml"/><Default Extension="xml" ContentType="application/xml"/><Override PartName="/xl/workbook.xml" ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml"/>'
    for i,_ in enumerate(sheets):
        ct+='<Override PartName="/xl/worksheets/sheet%d.xml" ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml"/>'%(i+1)
    if shared is not None:
        ct+='<Override PartName="/xl/sharedStrings.xml" ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.sharedStrings+xml"/>'
    ct+='</Types>'
    z.writestr('[Content_Types].xml',ct)
    z.writestr('_rels/.rels','<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\n<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships"><Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument" Target="xl/workbook.xml"/></Relationships>')
    wb='<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\n<workbook %s><sheets>'%NS
    rels='<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\n<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">'
    for i,(name,xml) in enumerate(sheets):
        wb+='<sheet name="%s" sheetId="%d" r:id="rId%d"/>'%(name,i+1,i+1)
        rels+='<Relationship Id="rId%d" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet" Target="worksheets/sheet%d.xml"/>'%(i+1,i+1)
        z.writestr('xl/worksheets/sheet%d.xml'%(i+1),'<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\n<worksheet %s>%s</worksheet>'%(NS,xml))
    if shared is not None:
        rels+='<Relationship Id="rId99" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/sharedStrings" Target="sharedStrings.xml"/>'
        sst='<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\n<sst %s count="%d" uniqueCount="%d">'%(NS,len(shared),len(shared))
        for s in shared:
            sst+= s if s.startswith('<') else '<si><t>%s</t></si>'%s
        sst+='</sst>'
        z.writestr('xl/sharedStrings.xml',sst)
    wb+='</sheets></workbook>'; rels+='</Relationships>'
    z.writestr('xl/workbook.xml',wb); z.writestr('xl/_rels/workbook.xml.rels',rels)
    z.close()

# 1: shared strings, merged header cells, Chinese headers, a title row, an empty row, a second sheet.
shared=['某工程材料清单','序号','材料编码','材料名称','规格型号','型号','规格',
        '04010105','镀锌钢管','DN25',
        '<si><r><t>电力</t></r><r><rPr><b/></rPr><t>电缆</t></r><rPh sb="0" eb="2"><t>でんりょく</t></rPh></si>',
        'YJV 0.6/1kV 3×2.5','闸阀','说明']
def s(ref,i): return '<c r="%s" t="s"><v>%d</v></c>'%(ref,i)
def n(ref,v): return '<c r="%s"><v>%s</v></c>'%(ref,v)
rows=('<row r="1">'+s('A1',0)+'</row>'
 '<row r="2">'+s('A2',1)+s('B2',2)+s('C2',3)+s('D2',4)+'</row>'
 '<row r="3">'+s('D3',5)+s('E3',6)+'</row>'
 '<row r="4">'+n('A4',1)+s('B4',7)+s('C4',8)+s('D4',9)+'</row>'
 '<row r="5"><c r="C5" t="s"><v>13</v></c></row>'.replace('<c r="C5" t="s"><v>13</v></c>','<c r="B5"/>')+
 '<row r="6">'+n('A6',2)+s('C6',10)+s('D6',11)+'</row>'
 '<row r="8">'+n('A8',3)+s('C8',12)+'<c r="D8" t="str"><f>"DN"&amp;100</f><v>DN100</v></c></row>')
merges='<mergeCells count="5"><mergeCell ref="A1:E1"/><mergeCell ref="A2:A3"/><mergeCell ref="B2:B3"/><mergeCell ref="C2:C3"/><mergeCell ref="D2:E2"/></mergeCells>'
book(sys.argv[1]+'/bill-shared.xlsx',[('清单','<sheetData>'+rows+'</sheetData>'+merges),('说明','<sheetData><row r="1">'+s('A1',13)+'</row></sheetData>')],shared)

# 2: inline strings, numeric specs and codes, English and Chinese aliases, header on row 1.
def i(ref,t): return '<c r="%s" t="inlineStr"><is><t>%s</t></is></c>'%(ref,t)
rows=('<row r="1">'+i('A1','No.')+i('B1','Code')+i('C1','品名')+i('D1','规格')+i('E1','单位')+'</row>'
 '<row r="2">'+n('A2',1)+n('B2','4010105')+i('C2','BV')+n('D2','2.5000000000000004')+i('E2','m')+'</row>'
 '<row r="3">'+n('A3',2)+i('C3','镀锌钢管')+n('D3','25')+'</row>'
 '<row r="4">'+n('A4',3)+i('C4','钢筋')+n('D4','0.30000000000000004')+'</row>'
 '<row r="5">'+n('A5',4)+i('C5','水泥')+n('D5','2.5000000001')+n('E5','1E-3')+'</row>')
book(sys.argv[1]+'/bill-inline.xlsx',[('Sheet1','<sheetData>'+rows+'</sheetData>')])

# 3: the sample bill as a workbook: a title row, Chinese headers, shared strings.
if len(sys.argv) > 2:
    import csv
    src=list(csv.reader(open(sys.argv[2], encoding='utf-8')))
    shared=[]; index={}
    def sid(t):
        if t not in index:
            index[t]=len(shared); shared.append(t.replace('&','&amp;').replace('<','&lt;'))
        return index[t]
    def cell(ref,t): return '<c r="%s" t="s"><v>%d</v></c>'%(ref,sid(t))
    rows='<row r="1">'+cell('A1','示例工程 材料清单')+'</row>'
    rows+='<row r="2">'+''.join(cell(c+'2',t) for c,t in zip('ABCD',['序号','项目编码','项目名称','规格型号']))+'</row>'
    for k,rec in enumerate(src[1:]):
        r=k+3
        rows+='<row r="%d">'%r+''.join(cell('%s%d'%(c,r),t) for c,t in zip('ABCD',rec) if t)+'</row>'
    book(sys.argv[3],[('清单',
        '<sheetViews><sheetView workbookViewId="0"><pane ySplit="2" topLeftCell="A3" activePane="bottomLeft" state="frozen"/></sheetView></sheetViews><cols><col min="1" max="1" width="8" customWidth="1"/><col min="2" max="2" width="14" customWidth="1"/><col min="3" max="4" width="30" customWidth="1"/></cols><sheetData>'+rows+'</sheetData><mergeCells count="1"><mergeCell ref="A1:D1"/></mergeCells>')],shared)
