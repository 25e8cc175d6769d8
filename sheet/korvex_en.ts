<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_GB" sourcelanguage="ja_JP">
<context>
    <name>Korvex</name>
    <message>
        <source>上</source>
        <translation>T</translation>
    </message>
    <message>
        <source>前</source>
        <translation>F</translation>
    </message>
    <message>
        <source>後</source>
        <translation>B</translation>
    </message>
    <message>
        <source>左</source>
        <translation>L</translation>
    </message>
    <message>
        <source>右</source>
        <translation>R</translation>
    </message>
    <message>
        <source>開く</source>
        <translation>Open</translation>
    </message>
    <message>
        <source>ファイル出力</source>
        <translation>File Output</translation>
    </message>
    <message>
        <source>選択</source>
        <translation>Select</translation>
    </message>
    <message>
        <source>回転</source>
        <translation>Rotate</translation>
    </message>
    <message>
        <source>左回転</source>
        <translation>Rotate Left</translation>
    </message>
    <message>
        <source>右回転</source>
        <translation>Rotate Right</translation>
    </message>
    <message>
        <source>上回転</source>
        <translation>Rotate Up</translation>
    </message>
    <message>
        <source>下回転</source>
        <translation>Rotate Down</translation>
    </message>
    <message>
        <source>正射影</source>
        <translation>Parallel Projection</translation>
    </message>
    <message>
        <source>平面図</source>
        <translation>Plan</translation>
    </message>
    <message>
        <source>立面図</source>
        <translation>Elevation</translation>
    </message>
    <message>
        <source>背面図</source>
        <translation>Back Elevation</translation>
    </message>
    <message>
        <source>左側面図</source>
        <translation>Left Side</translation>
    </message>
    <message>
        <source>右側面図</source>
        <translation>Right Side</translation>
    </message>
    <message>
        <source>枠表示</source>
        <translation>Show Frames</translation>
    </message>
    <message>
        <source>面表示</source>
        <translation>Show Faces</translation>
    </message>
    <message>
        <source>全体表示</source>
        <translation>Fit All</translation>
    </message>
    <message>
        <source>拡大</source>
        <translation>Zoom In</translation>
    </message>
    <message>
        <source>縮小</source>
        <translation>Zoom Out</translation>
    </message>
    <message>
        <source>視点初期化</source>
        <translation>Reset Eye</translation>
    </message>
    <message>
        <source>影作製</source>
        <translation>Make Shadows</translation>
    </message>
    <message>
        <source>影削除</source>
        <translation>Delete Shadows</translation>
    </message>
    <message>
        <source>太陽方向</source>
        <translation>Sun Direction</translation>
    </message>
    <message>
        <source>ﾃｸｽﾁｬを読み込む</source>
        <translation>Load Texture</translation>
    </message>
    <message>
        <source>常に手前</source>
        <translation>Always on Top</translation>
    </message>
    <message>
        <source>レイヤーの表示切り替え</source>
        <translation>Show or Hide Layers</translation>
    </message>
    <message>
        <source>背景色</source>
        <translation>Background Colour</translation>
    </message>
    <message>
        <source>昼光色</source>
        <translation>Daylight</translation>
    </message>
    <message>
        <source>夜光色</source>
        <translation>Night Light</translation>
    </message>
    <message>
        <source>夕日色</source>
        <translation>Sunset</translation>
    </message>
    <message>
        <source>ｺﾝﾄﾗｽﾄ強調</source>
        <translation>Stronger Contrast</translation>
    </message>
    <message>
        <source>ﾃｸｽﾁｬの調整</source>
        <translation>Adjust Textures</translation>
    </message>
    <message>
        <source>色設定</source>
        <translation>Colour Settings</translation>
    </message>
    <message>
        <source>Aero対応機能の無効化</source>
        <translation>Turn Off Aero Support</translation>
    </message>
    <message>
        <source>選択の解除</source>
        <translation>Clear Selection</translation>
    </message>
    <message>
        <source>保存</source>
        <translation>Save</translation>
    </message>
    <message>
        <source>名前をつけて保存</source>
        <translation>Save As</translation>
    </message>
    <message>
        <source>拡張印刷設定</source>
        <translation>Extended Print Settings</translation>
    </message>
    <message>
        <source>印刷</source>
        <translation>Print</translation>
    </message>
    <message>
        <source>印刷ﾌﾟﾚﾋﾞｭｰ</source>
        <translation>Print Preview</translation>
    </message>
    <message>
        <source>直接印刷</source>
        <translation>Print Directly</translation>
    </message>
    <message>
        <source>Test</source>
        <translation>Test</translation>
    </message>
    <message>
        <source>視点・注視点設定</source>
        <translation>Eye and Target</translation>
    </message>
    <message>
        <source>ソーラビュー</source>
        <translation>Solar View</translation>
    </message>
    <message>
        <source>ﾌｫｸﾞ設定</source>
        <translation>Fog Settings</translation>
    </message>
    <message>
        <source>影表示</source>
        <translation>Show Shadows</translation>
    </message>
    <message>
        <source>透明体の影</source>
        <translation>Shadows of Transparent Parts</translation>
    </message>
    <message>
        <source>非表示体の影</source>
        <translation>Shadows of Hidden Parts</translation>
    </message>
    <message>
        <source>影描画の高速化</source>
        <translation>Faster Shadows</translation>
    </message>
    <message>
        <source>計測</source>
        <translation>Measure</translation>
    </message>
    <message>
        <source>計測結果をコピー</source>
        <translation>Copy the Measurement</translation>
    </message>
    <message>
        <source>ﾌｧｲﾙ(&amp;F)</source>
        <translation>&amp;File</translation>
    </message>
    <message>
        <source>開く(&amp;O)...</source>
        <translation>&amp;Open...</translation>
    </message>
    <message>
        <source>ﾃｸｽﾁｬ読み込み(&amp;T)...</source>
        <translation>Load &amp;Texture...</translation>
    </message>
    <message>
        <source>ファイル出力(&amp;P)...</source>
        <translation>File Out&amp;put...</translation>
    </message>
    <message>
        <source>名前をつけて保存...</source>
        <translation>Save As...</translation>
    </message>
    <message>
        <source>拡張印刷設定...</source>
        <translation>Extended Print Settings...</translation>
    </message>
    <message>
        <source>印刷...</source>
        <translation>Print...</translation>
    </message>
    <message>
        <source>ｱﾌﾟﾘｹｰｼｮﾝの終了(&amp;X)</source>
        <translation>E&amp;xit</translation>
    </message>
    <message>
        <source>表示(&amp;V)</source>
        <translation>&amp;View</translation>
    </message>
    <message>
        <source>常に手前に表示(&amp;U)</source>
        <translation>Always on Top (&amp;U)</translation>
    </message>
    <message>
        <source>レイヤー設定(&amp;L)</source>
        <translation>&amp;Layers</translation>
    </message>
    <message>
        <source>視点・注視点設定...</source>
        <translation>Eye and Target...</translation>
    </message>
    <message>
        <source>ﾌｫｸﾞ設定...</source>
        <translation>Fog Settings...</translation>
    </message>
    <message>
        <source>計測(&amp;M)</source>
        <translation>&amp;Measure</translation>
    </message>
    <message>
        <source>断面...</source>
        <translation>Sections...</translation>
    </message>
    <message>
        <source>断面表示</source>
        <translation>Show Sections</translation>
    </message>
    <message>
        <source>断面移動</source>
        <translation>Move Section</translation>
    </message>
    <message>
        <source>設定(&amp;C)</source>
        <translation>Settings (&amp;C)</translation>
    </message>
    <message>
        <source>背景色指定(&amp;B)...</source>
        <translation>&amp;Background Colour...</translation>
    </message>
    <message>
        <source>光源切り替え</source>
        <translation>Light Colour</translation>
    </message>
    <message>
        <source>ﾃｸｽﾁｬの調整(&amp;T)...</source>
        <translation>Adjust &amp;Textures...</translation>
    </message>
    <message>
        <source>色設定(&amp;C)...</source>
        <translation>&amp;Colour Settings...</translation>
    </message>
    <message>
        <source>日影図...</source>
        <translation>Sun Study...</translation>
    </message>
    <message>
        <source>日影規制...</source>
        <translation>Shadow Regulation...</translation>
    </message>
    <message>
        <source>日影規制の表示</source>
        <translation>Show Shadow Regulation</translation>
    </message>
    <message>
        <source>選択(&amp;S)</source>
        <translation>&amp;Select</translation>
    </message>
    <message>
        <source>選択解除(&amp;U)</source>
        <translation>Clear Selection (&amp;U)</translation>
    </message>
    <message>
        <source>回転(&amp;R)</source>
        <translation>&amp;Rotate</translation>
    </message>
    <message>
        <source>全体表示(&amp;A)</source>
        <translation>Fit &amp;All</translation>
    </message>
    <message>
        <source>視点初期化(&amp;R)</source>
        <translation>&amp;Reset Eye</translation>
    </message>
    <message>
        <source>背景色指定(&amp;B)</source>
        <translation>&amp;Background Colour</translation>
    </message>
    <message>
        <source>無題</source>
        <translation>Untitled</translation>
    </message>
    <message>
        <source>時間</source>
        <translation> h</translation>
    </message>
    <message>
        <source>%1m 最大 %2</source>
        <translation>%1 m max %2</translation>
    </message>
    <message>
        <source>日影規制</source>
        <translation>Shadow Regulation</translation>
    </message>
    <message>
        <source>「敷地」ノードの輪郭がありません。</source>
        <translation>The node "敷地" (site) has no outline.</translation>
    </message>
    <message>
        <source>日影時間を計算中...</source>
        <translation>Computing shadow hours...</translation>
    </message>
    <message>
        <source>キャンセル</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>計算を中断しました。</source>
        <translation>The computation was stopped.</translation>
    </message>
    <message>
        <source>%1 点の日影時間を %2 に出力しました。</source>
        <translation>Shadow hours of %1 points written to %2.</translation>
    </message>
    <message>
        <source>
%1m: 最大 %2</source>
        <translation>
%1 m: max %2</translation>
    </message>
    <message>
        <source>なし</source>
        <translation>none</translation>
    </message>
    <message>
        <source>
規制時間に適合します。</source>
        <translation>
Within the regulated hours.</translation>
    </message>
    <message>
        <source>
規制時間を超えています。</source>
        <translation>
Beyond the regulated hours.</translation>
    </message>
    <message>
        <source>日影図を作成中...</source>
        <translation>Making the sun study...</translation>
    </message>
    <message>
        <source>日影図</source>
        <translation>Sun Study</translation>
    </message>
    <message>
        <source>%1:%2  方位 %3°  高度 %4°</source>
        <translation>%1:%2  azimuth %3°  altitude %4°</translation>
    </message>
    <message>
        <source>%1 枚の画像を %2 に出力しました。%3</source>
        <translation>%1 pictures written to %2.%3</translation>
    </message>
    <message>
        <source>(中断)</source>
        <translation> (stopped)</translation>
    </message>
    <message>
        <source>メモリが足りないため、操作を中止しました。</source>
        <translation>There was not enough memory: the operation was stopped.</translation>
    </message>
    <message>
        <source>ﾒﾓﾘｴﾗｰ</source>
        <translation>Memory Error</translation>
    </message>
    <message>
        <source>表示ｻｲｽﾞ</source>
        <translation>Size of the view</translation>
    </message>
    <message>
        <source>指定ｻｲｽﾞ</source>
        <translation>Given size</translation>
    </message>
    <message>
        <source>横ｻｲｽﾞ</source>
        <translation>Width</translation>
    </message>
    <message>
        <source>縦ｻｲｽﾞ</source>
        <translation>Height</translation>
    </message>
    <message>
        <source>各種線分の太さ</source>
        <translation>Line width</translation>
    </message>
    <message>
        <source>旧式の処理を使う</source>
        <translation>Use the old method</translation>
    </message>
    <message>
        <source>図面レイアウト出力</source>
        <translation>Write a drawing layout</translation>
    </message>
    <message>
        <source>出力ファイル名</source>
        <translation>Output file name</translation>
    </message>
    <message>
        <source>%1 文字以内で入力してください。</source>
        <translation>Enter at most %1 characters.</translation>
    </message>
    <message>
        <source>色</source>
        <translation>Colour</translation>
    </message>
    <message>
        <source>背景に画像を使用する</source>
        <translation>Use a picture as background</translation>
    </message>
    <message>
        <source>不透明度</source>
        <translation>Opacity</translation>
    </message>
    <message>
        <source>表示する</source>
        <translation>Visible</translation>
    </message>
    <message>
        <source>無し</source>
        <translation>None</translation>
    </message>
    <message>
        <source>ﾃｸｽﾁｬ割当</source>
        <translation>Texture</translation>
    </message>
    <message>
        <source>数値を入力してください。</source>
        <translation>Enter a number.</translation>
    </message>
    <message>
        <source>%1 から %2 までの数値を入力してください。</source>
        <translation>Enter a number from %1 to %2.</translation>
    </message>
    <message>
        <source>整数を入力してください。</source>
        <translation>Enter a whole number.</translation>
    </message>
    <message>
        <source>%1 から %2 までの整数を入力してください。</source>
        <translation>Enter a whole number from %1 to %2.</translation>
    </message>
    <message>
        <source>高解像度</source>
        <translation>High resolution</translation>
    </message>
    <message>
        <source>中解像度</source>
        <translation>Medium resolution</translation>
    </message>
    <message>
        <source>低解像度</source>
        <translation>Low resolution</translation>
    </message>
    <message>
        <source>簡易印刷</source>
        <translation>Draft print</translation>
    </message>
    <message>
        <source>視点設定</source>
        <translation>Eye Settings</translation>
    </message>
    <message>
        <source>視点</source>
        <translation>Eye</translation>
    </message>
    <message>
        <source>注視点</source>
        <translation>Target</translation>
    </message>
    <message>
        <source>視野角</source>
        <translation>Field of view</translation>
    </message>
    <message>
        <source>前面位置</source>
        <translation>Near plane</translation>
    </message>
    <message>
        <source>後面位置</source>
        <translation>Far plane</translation>
    </message>
    <message>
        <source>回転角</source>
        <translation>Rotation angle</translation>
    </message>
    <message>
        <source>ｱｲｿﾒ</source>
        <translation>Isometric</translation>
    </message>
    <message>
        <source>左下</source>
        <translation>Lower left</translation>
    </message>
    <message>
        <source>右下</source>
        <translation>Lower right</translation>
    </message>
    <message>
        <source>右上</source>
        <translation>Upper right</translation>
    </message>
    <message>
        <source>左上</source>
        <translation>Upper left</translation>
    </message>
    <message>
        <source>表示基準縮尺  1/</source>
        <translation>Reference scale  1/</translation>
    </message>
    <message>
        <source>多角形用</source>
        <translation>For faces</translation>
    </message>
    <message>
        <source>線分用</source>
        <translation>For lines</translation>
    </message>
    <message>
        <source>使用する</source>
        <translation>Use</translation>
    </message>
    <message>
        <source>開始位置</source>
        <translation>Start</translation>
    </message>
    <message>
        <source>終了位置</source>
        <translation>End</translation>
    </message>
    <message>
        <source>係数</source>
        <translation>Density</translation>
    </message>
    <message>
        <source>線形</source>
        <translation>Linear</translation>
    </message>
    <message>
        <source>非線形1</source>
        <translation>Exponential</translation>
    </message>
    <message>
        <source>非線形2</source>
        <translation>Exponential squared</translation>
    </message>
    <message>
        <source>時刻指定</source>
        <translation>Time of Day</translation>
    </message>
    <message>
        <source>影を作製する</source>
        <translation>Make shadows</translation>
    </message>
    <message>
        <source>真北の反転</source>
        <translation>Flip true north</translation>
    </message>
    <message>
        <source>レイヤー設定</source>
        <translation>Layers</translation>
    </message>
    <message>
        <source>ﾉｰﾄﾞﾌﾟﾛﾊﾟﾃｨ</source>
        <translation>Node Properties</translation>
    </message>
    <message>
        <source>原点</source>
        <translation>Origin</translation>
    </message>
    <message>
        <source>縮尺</source>
        <translation>Scale</translation>
    </message>
    <message>
        <source>回転軸</source>
        <translation>Rotation axis</translation>
    </message>
    <message>
        <source>断面</source>
        <translation>Section</translation>
    </message>
    <message>
        <source>z=高さ、x=値、y=値、または a,b,c,d（a·x+b·y+c·z+d ≦ 0 の側を残す）</source>
        <translation>z=height, x=value, y=value or a,b,c,d (keeps the side where a·x+b·y+c·z+d ≤ 0)</translation>
    </message>
    <message>
        <source>断面1</source>
        <translation>Plane 1</translation>
    </message>
    <message>
        <source>断面2</source>
        <translation>Plane 2</translation>
    </message>
    <message>
        <source>断面3</source>
        <translation>Plane 3</translation>
    </message>
    <message>
        <source>断面を表示する</source>
        <translation>Show the sections</translation>
    </message>
    <message>
        <source>断面の指定が読めません: %1</source>
        <translation>This is not a section plane: %1</translation>
    </message>
    <message>
        <source>日付</source>
        <translation>Date</translation>
    </message>
    <message>
        <source>緯度 (北が正)</source>
        <translation>Latitude (north positive)</translation>
    </message>
    <message>
        <source>経度 (東が正)</source>
        <translation>Longitude (east positive)</translation>
    </message>
    <message>
        <source>EPSG:6677 など (緯度・経度・真北を座標系から)</source>
        <translation>EPSG:6677 etc. (latitude, longitude and true north from the system)</translation>
    </message>
    <message>
        <source>座標系</source>
        <translation>Coordinate system</translation>
    </message>
    <message>
        <source>真北 (ラジアン)</source>
        <translation>True north (radians)</translation>
    </message>
    <message>
        <source>測定面の高さ (m)</source>
        <translation>Height of the plane (m)</translation>
    </message>
    <message>
        <source>空欄: モデルの最下点</source>
        <translation>Empty: the lowest point of the model</translation>
    </message>
    <message>
        <source>地盤面の高さ</source>
        <translation>Ground height</translation>
    </message>
    <message>
        <source>格子間隔 (m)</source>
        <translation>Grid spacing (m)</translation>
    </message>
    <message>
        <source>測定時間 (開始, 終了)</source>
        <translation>Hours measured (from, to)</translation>
    </message>
    <message>
        <source>中央標準時 (UTCとの時差)</source>
        <translation>Standard time (offset from UTC)</translation>
    </message>
    <message>
        <source>時刻の基準 (既定: 真太陽時)</source>
        <translation>Time reference (default: true solar time)</translation>
    </message>
    <message>
        <source>等時間線 (時間)</source>
        <translation>Lines of equal hours (h)</translation>
    </message>
    <message>
        <source>X,Y,X,Y,... (空欄: 敷地なし)</source>
        <translation>X,Y,X,Y,... (empty: no site)</translation>
    </message>
    <message>
        <source>敷地境界 (点列)</source>
        <translation>Site boundary (points)</translation>
    </message>
    <message>
        <source>「敷地」ノードの輪郭を使う</source>
        <translation>Use the outline of the node "敷地" (site)</translation>
    </message>
    <message>
        <source>規制時間</source>
        <translation>Regulated hours</translation>
    </message>
    <message>
        <source>5m / 10m を超える範囲</source>
        <translation>Beyond 5 m / 10 m</translation>
    </message>
    <message>
        <source>参照...</source>
        <translation>Browse...</translation>
    </message>
    <message>
        <source>出力フォルダ</source>
        <translation>Output folder</translation>
    </message>
    <message>
        <source>地盤面の高さは数値で指定してください。</source>
        <translation>Give the ground height as a number.</translation>
    </message>
    <message>
        <source>等時間線は時間の数値を , で区切って指定してください。</source>
        <translation>Give the lines of equal hours as numbers separated by ",".</translation>
    </message>
    <message>
        <source>敷地境界は X,Y の組で指定してください。</source>
        <translation>Give the site boundary as X,Y pairs.</translation>
    </message>
    <message>
        <source>出力フォルダを指定してください。</source>
        <translation>Choose an output folder.</translation>
    </message>
    <message>
        <source>UTCとの時差 (時間)</source>
        <translation>Offset from UTC (hours)</translation>
    </message>
    <message>
        <source>真北 (度)</source>
        <translation>True north (degrees)</translation>
    </message>
    <message>
        <source>開始時刻</source>
        <translation>From</translation>
    </message>
    <message>
        <source>終了時刻</source>
        <translation>To</translation>
    </message>
    <message>
        <source> 分</source>
        <translation> min</translation>
    </message>
    <message>
        <source>間隔</source>
        <translation>Step</translation>
    </message>
    <message>
        <source>画像の大きさ (幅, 高さ)</source>
        <translation>Picture size (width, height)</translation>
    </message>
    <message>
        <source>ﾃｸｽﾁｬ</source>
        <translation>Textures</translation>
    </message>
    <message>
        <source>縦横比</source>
        <translation>Aspect ratio</translation>
    </message>
    <message>
        <source>ｽｹｰﾙ</source>
        <translation>Scale</translation>
    </message>
    <message>
        <source>閉じる</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>日影図  %1年%2月%3日  %4 %5°  %6 %7°  UTC%8%9</source>
        <translation>Sun study  %1-%2-%3  %4 %5°  %6 %7°  UTC%8%9</translation>
    </message>
    <message>
        <source>北緯</source>
        <translation>lat. N</translation>
    </message>
    <message>
        <source>南緯</source>
        <translation>lat. S</translation>
    </message>
    <message>
        <source>東経</source>
        <translation>long. E</translation>
    </message>
    <message>
        <source>西経</source>
        <translation>long. W</translation>
    </message>
    <message>
        <source>等時間日影図・時刻日影図  %1年%2月%3日  %4%5°  測定面 %6m  %7 %8〜%9</source>
        <translation>Shadow hours and hourly shadows  %1-%2-%3  %4 %5°  plane %6 m  %7 %8 to %9</translation>
    </message>
    <message>
        <source>時刻</source>
        <translation>clock time</translation>
    </message>
    <message>
        <source>真太陽時</source>
        <translation>true solar time</translation>
    </message>
    <message>
        <source>真北</source>
        <translation>True north</translation>
    </message>
    <message>
        <source>凡例</source>
        <translation>Legend</translation>
    </message>
    <message>
        <source>建物</source>
        <translation>Buildings</translation>
    </message>
    <message>
        <source>時刻日影 (%1分毎)</source>
        <translation>Shadow every %1 min</translation>
    </message>
    <message>
        <source>等時間日影 </source>
        <translation>Shaded </translation>
    </message>
    <message>
        <source>敷地境界線</source>
        <translation>Site boundary</translation>
    </message>
    <message>
        <source>%1m 測定線</source>
        <translation>%1 m line</translation>
    </message>
    <message>
        <source> 規制 %1 %2</source>
        <translation> limit %1 %2</translation>
    </message>
    <message>
        <source>適合</source>
        <translation>pass</translation>
    </message>
    <message>
        <source>不適合</source>
        <translation>fail</translation>
    </message>
    <message>
        <source>格子 %1m  %2点</source>
        <translation>Grid %1 m  %2 points</translation>
    </message>
</context>
</TS>
